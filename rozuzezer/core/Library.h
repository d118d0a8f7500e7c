// The BVRozuzezer2 type library: its identity, its enumerations and records, and the
// classes that register themselves in it (each class's table file adds its own).
#pragma once

#include "platform/component/TypeLibrary.h"
#include "rozuzezer/core/Records.h"

namespace rozuzezer {

platform::component::TypeLibrary& Library();

// Creates a class of the library by program id or class id text (raises 429).
platform::component::Ref<platform::component::Object>
CreateObject(std::string_view progIdOrClassId);

// The records as they travel through calls by name. Reading takes the fields by name, so
// a record of the right type with fields in any state converts (errors 6 and 13 apply).
platform::component::Variant ToVariant(const SDateRecord& r);
platform::component::Variant ToVariant(const WaveFormatRecord& r);
SDateRecord SDateFromVariant(const platform::component::Variant& v);
WaveFormatRecord WaveFormatFromVariant(const platform::component::Variant& v);

} // namespace rozuzezer

// A component library: its identity, its classes, interfaces, records and enumerations,
// the class factory by class id and program id, and the text description of it all.
#pragma once

#include "platform/component/ClassInfo.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::component {

class TypeLibrary {
public:
    TypeLibrary(std::string name, Guid libid, int major, int minor, std::string helpString);
    TypeLibrary(const TypeLibrary&) = delete;
    TypeLibrary& operator=(const TypeLibrary&) = delete;

    const std::string& Name() const { return name_; }
    const Guid& LibId() const { return libid_; }
    int MajorVersion() const { return major_; }
    int MinorVersion() const { return minor_; }
    const std::string& HelpString() const { return help_; }

    // Tables live as long as the library (they are static in their table files). A class
    // brings its default and event interfaces with it. Adding a class sets its program id.
    void AddClass(ClassInfo& info);
    void AddInterface(const InterfaceInfo& info);
    void AddEnum(const EnumInfo& info);
    void AddRecord(const RecordInfo& info);

    const std::vector<const ClassInfo*>& Classes() const { return classes_; }
    const std::vector<const InterfaceInfo*>& Interfaces() const { return interfaces_; }
    const std::vector<const EnumInfo*>& Enums() const { return enums_; }
    const std::vector<const RecordInfo*>& Records() const { return records_; }

    // Look-ups; names case-insensitive. Null when there is none.
    const ClassInfo* FindClass(const Guid& clsid) const;
    const ClassInfo* FindClass(std::string_view progIdOrClassIdText) const;
    const RecordInfo* FindRecord(std::string_view name) const;
    const EnumInfo* FindEnum(std::string_view name) const;

    // Creates an object by class id, or by program id or class id text. Raises 429 for a
    // class it does not know and for a class that is not creatable.
    Ref<Object> Create(const Guid& clsid) const;
    Ref<Object> Create(std::string_view progIdOrClassIdText) const;

    // The description of everything above, in an IDL-like text: records, enumerations with
    // their members in declaration order, interfaces with members in slot order (earlier
    // versions as base interfaces), classes with kinds, ids and program ids.
    std::string Describe() const;

private:
    std::string name_;
    Guid libid_;
    int major_, minor_;
    std::string help_;
    std::vector<const ClassInfo*> classes_;
    std::vector<const InterfaceInfo*> interfaces_;
    std::vector<const EnumInfo*> enums_;
    std::vector<const RecordInfo*> records_;
};

// The IDL name of a value type ("short", "BSTR", "_cHardDiskItem*", ...).
std::string TypeName(const TypeRef& t);

// Registers a table at load time: `static Registration r(Library(), MyClass());`
struct Registration {
    Registration(TypeLibrary& lib, ClassInfo& info) { lib.AddClass(info); }
    Registration(TypeLibrary& lib, const EnumInfo& info) { lib.AddEnum(info); }
    Registration(TypeLibrary& lib, const RecordInfo& info) { lib.AddRecord(info); }
};

} // namespace platform::component

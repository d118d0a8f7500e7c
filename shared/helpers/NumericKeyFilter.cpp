#include "shared/helpers/NumericKeyFilter.h"

namespace helpers {

std::int32_t NumericKeyFilter(std::int32_t keyAscii, std::int32_t option) {
    if (option == nkfAny) return keyAscii;
    if (keyAscii >= 0 && keyAscii < 32) return keyAscii;
    if (keyAscii >= '0' && keyAscii <= '9') return keyAscii;
    if (keyAscii == '-' && (option == nkfSigned || option == nkfDecimal)) return keyAscii;
    if (keyAscii == '.' && option == nkfDecimal) return keyAscii;
    return 0;
}

} // namespace helpers

#include "store/service_user_name.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <vector>

namespace velmo_service {

std::string user_name_normal(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return name;
    // Plain ASCII is NFC already; most names are.
    if (std::all_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return name;
    std::vector<UChar> in(name.size() + 1);
    int32_t in_length = 0;
    u_strFromUTF8(in.data(), static_cast<int32_t>(in.size()), &in_length, name.data(),
                  static_cast<int32_t>(name.size()), &status);
    if (U_FAILURE(status)) return name;
    // Composition never more than triples a string's length in UTF-16 units.
    std::vector<UChar> out(static_cast<std::size_t>(in_length) * 3 + 1);
    const int32_t out_length = unorm2_normalize(nfc, in.data(), in_length, out.data(),
                                                static_cast<int32_t>(out.size()), &status);
    if (U_FAILURE(status)) return name;
    std::string utf8(static_cast<std::size_t>(out_length) * 3 + 1, '\0');
    int32_t utf8_length = 0;
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &utf8_length, out.data(),
                out_length, &status);
    if (U_FAILURE(status)) return name;
    utf8.resize(static_cast<std::size_t>(utf8_length));
    return utf8;
}

}  // namespace velmo_service

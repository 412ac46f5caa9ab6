#include "table/text_sniff.h"

#include <algorithm>
#include <array>

namespace trassel {

bool LooksBinary(std::string_view head)
{
    head = head.substr(0, std::min(head.size(), kSniffBytes));
    if (head.find('\0') != std::string_view::npos)
        return true;
    using namespace std::string_view_literals;
    static constexpr std::array kSignatures = {
        "\x89PNG"sv,
        "\xFF\xD8\xFF"sv,
        "GIF87a"sv,
        "GIF89a"sv,
        "PK\x03\x04"sv,
        "\x1F\x8B"sv,
        "%PDF-"sv,
        "\xD0\xCF\x11\xE0"sv,
        "7z\xBC\xAF"sv,
        "Rar!"sv,
        "\x7F"
        "ELF"sv,
        "BZh"sv,
        "\xFD"
        "7zXZ"sv,
        "RIFF"sv,
        "MZ"sv,
    };
    for (std::string_view signature : kSignatures) {
        // Short signatures that a text could begin with count only when more of the file agrees.
        if (!head.starts_with(signature))
            continue;
        if (signature == "MZ"sv || signature == "BZh"sv || signature == "RIFF"sv) {
            const bool control = std::any_of(head.begin(), head.end(), [](char c) {
                const auto u = static_cast<unsigned char>(c);
                return u < 0x20 && c != '\t' && c != '\r' && c != '\n';
            });
            if (!control)
                continue;
        }
        return true;
    }
    return false;
}

} // namespace trassel

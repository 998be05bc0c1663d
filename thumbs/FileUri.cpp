#include "thumbs/FileUri.h"

#include <algorithm>

namespace thumbs {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return Lower(a) == Lower(b); });
}

bool IsSchemeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

// "name://": a URI of some scheme rather than a path with a colon in it.
bool HasOtherScheme(std::string_view input) {
    const std::size_t colon = input.find("://");
    if (colon == std::string_view::npos || colon == 0 ||
        !((input[0] >= 'a' && input[0] <= 'z') || (input[0] >= 'A' && input[0] <= 'Z')))
        return false;
    return std::all_of(input.begin(), input.begin() + colon, IsSchemeChar);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The characters GLib leaves as they are in a path: letters, digits and "!$&'()*+,-./:=@_~".
bool StaysInUri(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    constexpr std::string_view kKept = "!$&'()*+,-./:=@_~";
    return kKept.find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace

std::string FileUriOf(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    uri.reserve(uri.size() + path.size() + path.size() / 4);
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (StaysInUri(c)) {
            uri += ch;
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri;
}

std::optional<std::string> LocalPathOf(std::string_view input, std::string& error) {
    constexpr std::string_view kScheme = "file:";
    if (!StartsWithIgnoringCase(input, kScheme)) {
        if (HasOtherScheme(input)) {
            error = "only local files (file: URIs) can be read";
            return std::nullopt;
        }
        return std::string(input);
    }
    std::string_view rest = input.substr(kScheme.size());
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        const std::string_view host = rest.substr(0, slash);
        constexpr std::string_view kLocalHost = "localhost";
        if (!host.empty() &&
            !(host.size() == kLocalHost.size() && StartsWithIgnoringCase(host, kLocalHost))) {
            error = "the file is on another host";
            return std::nullopt;
        }
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    if (!rest.starts_with('/')) {
        error = "a file URI names an absolute path";
        return std::nullopt;
    }
    // A query or fragment has no meaning for a file, and a correct writer escapes "?" and
    // "#" in names; their presence means the URI was written by hand, wrongly.
    if (rest.find_first_of("?#") != std::string_view::npos) {
        error = "a file URI holds no query or fragment";
        return std::nullopt;
    }
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(rest[i + 2]) : -1;
        if (low < 0) {
            error = "a percent escape in the URI is malformed";
            return std::nullopt;
        }
        const char byte = static_cast<char>(high * 16 + low);
        if (byte == '\0' || byte == '/') {
            error = "the URI escapes a NUL or a \"/\", which no file name holds";
            return std::nullopt;
        }
        path += byte;
        i += 2;
    }
    return path;
}

} // namespace thumbs

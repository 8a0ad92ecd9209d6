#include <iconv.h>

#include <string>

#include "tools/plr/PlrCommands.h"

std::string ToUtf8(const std::string& cp932) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return cp932;
    std::string out;
    char buffer[4096];
    char* in = const_cast<char*>(cp932.data());
    std::size_t inLeft = cp932.size();
    while (inLeft > 0) {
        char* o = buffer;
        std::size_t oLeft = sizeof buffer;
        std::size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, o - buffer);
        if (rc == static_cast<std::size_t>(-1) && o == buffer) {
            // An invalid byte: show it as '?' and go on.
            out += '?';
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

void SetBinaryStdout() {}

// Printing a name to a stream, for test messages. Kept out of BlockName.cpp on purpose: an
// object of a static library is linked only when something refers to it, and this one brings
// the C++ streams and every locale facet with them (about 600 KB in each Windows program).
#include <ostream>

#include "model/BlockName.h"

std::ostream& operator<<(std::ostream& out, const CBlockName& name) {
    std::string_view head, tail;
    name.Parts(head, tail);
    return out << head << tail;
}

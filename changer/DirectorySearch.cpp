#include "changer/DirectorySearch.h"

#include <utility>

#include "changer/ChangerSeams.h"
#include "changer/CrtRandom.h"
#include "model/Mbcs.h"
#include "model/Wildcard.h"

namespace {

// Found: every attempt with the token lands on `name`. Spread: the token has more matches than
// the draw can reach, and each attempt draws its own landing among `names`.
enum class Probe : unsigned char { Unknown, Fails, Found, Spread };

struct TokenProbe {
    Probe state = Probe::Unknown;
    std::string name;
    std::vector<std::string> names;
};

// Where every attempt with this token lands: match ((drawn - 1) mod m) + 1, while the draw can
// reach every match (m up to reach). Beyond that a landing so found would never pass the first
// `reach` names, so the whole list is kept for a landing drawn over all of it.
TokenProbe ProbeToken(const IFileSystem& fs, const std::string& dir, const std::string& token,
                      int drawn, int reach, const std::function<bool()>& stop) {
    const std::size_t steps = static_cast<std::size_t>(drawn);
    const std::string pattern = "*." + token;
    std::vector<std::string> names;
    bool stopped = false;
    fs.Enumerate(dir, pattern, [&](const std::string& name) {
        // Asking costs an atomic read; every 256 names is often enough on the slowest share.
        if ((names.size() & 0xFF) == 0 && stop && stop()) {
            stopped = true;
            return false;
        }
        // Windows also matches the pattern against short (8.3) names: "*.JPG" finds
        // "x.jpgx" through "X~1.JPG". Only a name whose own extension matches counts.
        if (MatchesWildcard(name, pattern)) names.push_back(name);
        return true;
    });
    TokenProbe probe;
    probe.state = Probe::Fails;
    if (names.empty() || stopped) return probe;
    if (reach > 0 && names.size() > static_cast<std::size_t>(reach)) {
        probe.state = Probe::Spread;
        probe.names = std::move(names);
        return probe;
    }
    std::string& landing = names[(steps - 1) % names.size()];
    if (landing == "." || landing == "..") return probe;
    probe.state = Probe::Found;
    probe.name = std::move(landing);
    return probe;
}

// A directory that ends in a separator already (a drive root such as "D:\\", or "/photos/")
// takes the name straight after it.
std::string JoinPath(const std::string& dir, char separator, const std::string& name) {
    const bool endsInSeparator = !dir.empty() && mbcs::LastComponentStart(dir) == dir.size() &&
                                 (dir.back() == separator || dir.back() == '/');
    return endsInSeparator ? dir + name : dir + separator + name;
}

}  // namespace

bool SearchDirectory(const IFileSystem& fs, const std::string& dir,
                     const std::vector<std::string>& tokens, std::size_t tokenCount, int drawn,
                     int reach, CCrtRandom& random, DirectoryMatch& match,
                     const std::function<bool()>& stop) {
    if (drawn <= 0 || tokenCount == 0) return false;  // no attempt, and no token to draw
    std::vector<TokenProbe> probes(tokenCount);
    std::size_t failed = 0;
    for (int attempt = 0; attempt < drawn; ++attempt) {
        const std::size_t index = static_cast<std::size_t>(random.Next()) % tokenCount;
        TokenProbe& probe = probes[index];
        if (probe.state == Probe::Unknown) {
            // The same text may stand at several indexes; list it once.
            for (std::size_t i = 0; i < tokenCount; ++i) {
                if (i != index && probes[i].state != Probe::Unknown && tokens[i] == tokens[index]) {
                    probe = probes[i];
                    break;
                }
            }
            if (probe.state == Probe::Unknown) {
                if (stop && stop()) return false;
                probe = ProbeToken(fs, dir, tokens[index], drawn, reach, stop);
                if (stop && stop()) return false;
            }
            if (probe.state == Probe::Fails && ++failed == tokenCount) return false;
        }
        const std::string* landing = nullptr;
        if (probe.state == Probe::Found) {
            landing = &probe.name;
        } else if (probe.state == Probe::Spread) {
            landing = &probe.names[random.Below(probe.names.size())];
            if (*landing == "." || *landing == "..") continue;
        }
        if (landing) {
            match.name = *landing;
            match.path = JoinPath(dir, fs.Separator(), *landing);
            return true;
        }
    }
    return false;
}

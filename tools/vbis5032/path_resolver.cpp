#include "path_resolver.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace vbis {
namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The entry of `folder` named `name` without regard to case; empty when there is none.
std::string MatchInFolder(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    std::vector<std::string> matches;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0)
            matches.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    if (matches.empty())
        return {};
    // Of "Log.isd" and "log.isd", "log.ISD" names the second: the name that agrees with the
    // one asked for in the most letters, then the first in sorted order.
    const auto agreement = [&name](const std::string& match) {
        int same = 0;
        for (std::size_t i = 0; i < match.size(); ++i)
            same += match[i] == name[i];
        return same;
    };
    return *std::min_element(matches.begin(), matches.end(), [&](const std::string& a, const std::string& b) {
        const int x = agreement(a);
        const int y = agreement(b);
        return x != y ? x > y : a < b;
    });
}

} // namespace

std::string ResolvePathIgnoringCase(const std::string& path)
{
    if (path.empty())
        return {};
    if (Exists(path))
        return path;
    std::string resolved = path.front() == '/' ? "/" : "";
    std::size_t start = path.front() == '/' ? 1 : 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == "." || name == "..") {
            if (!name.empty())
                resolved += name + (end < path.size() ? "/" : "");
            continue;
        }
        const std::string folder = resolved;
        std::string candidate = folder + name;
        if (!Exists(candidate)) {
            const std::string match = MatchInFolder(folder, name);
            if (match.empty())
                return {};
            candidate = folder + match;
        }
        resolved = candidate + (end < path.size() ? "/" : "");
    }
    return Exists(resolved) ? resolved : std::string();
}

} // namespace vbis

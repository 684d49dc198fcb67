#include "app/main_window_logic.h"

#include <cerrno>

#include "platform/file_system.h"

namespace kivo {

namespace {
const std::string kParent = " ^ Parent";
}

std::string CommandLineFolder(const std::string& argument, const std::string& currentDir) {
    std::string path = argument;
    if ((path.empty() || path.front() != '/') && !currentDir.empty())
        path = IncludeTrailingSlash(currentDir) + path;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::optional<std::string>
CreateNumberedFolder(const std::string& base, const std::string& name,
                     const std::function<bool(const std::string& candidate)>& create) {
    const std::string folder = ExcludeTrailingSlash(base);
    if (!DirectoryExists(folder))
        return std::nullopt;
    const std::string prefix = (folder == "/" ? std::string() : folder) + "/" + name;
    for (long n = 0;; ++n) {
        const std::string candidate = n == 0 ? prefix : prefix + " " + std::to_string(n);
        if (create ? create(candidate) : CreateDir(candidate))
            return candidate;
        // Only a taken name moves on to the next number.
        if (!PathExists(candidate))
            return std::nullopt;
    }
}

std::string DropDestination(const std::string& folder, const std::string& target) {
    if (target == kParent) {
        const auto slash = folder.rfind('/');
        if (slash == std::string::npos)
            return {};
        return slash == 0 ? std::string("/") : folder.substr(0, slash);
    }
    return JoinPath(folder, target);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return (folder == "/" ? std::string() : folder) + "/" + name;
}

std::string ExistingStartFolder(const std::string& folder,
                                const std::function<bool(const std::string&)>& isFolder) {
    const std::string drives = "Drives";
    if (folder.empty() || folder[0] != '/')
        return drives; // "Drives" itself, or nothing the list could show
    std::string p = folder;
    for (;;) {
        if (isFolder(p))
            return p;
        while (p.size() > 1 && p.back() == '/')
            p.pop_back();
        if (p == "/")
            return drives;
        const std::size_t slash = p.rfind('/');
        p = slash == 0 ? std::string("/") : p.substr(0, slash);
    }
}

std::string MoveFolderQuestion(const std::string& path, const std::string& question) {
    std::string text = question;
    if (const auto at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, path);
    return text;
}

} // namespace kivo

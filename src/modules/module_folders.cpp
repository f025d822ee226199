// Finding and opening Tunelet's modules.
#include "modules/module_folders.h"

#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunelet::modules {

namespace {

// Plain system calls, not std::filesystem: the launcher runs this before Qt is loaded, and
// the library's file system code would be paged in for these two questions alone.
std::string programFolder() {
    char self[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", self, sizeof self);
    if (size <= 0 || size == static_cast<ssize_t>(sizeof self)) {
        return {};
    }
    const std::string path(self, static_cast<std::size_t>(size));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

bool isRegularFile(const std::string &path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// "/usr/bin" and "../lib/tunelet" make "/usr/lib/tunelet", the name a message shows.
std::string joinLexically(std::string folder, std::string relative) {
    while (relative.rfind("../", 0) == 0 && folder.size() > 1) {
        relative.erase(0, 3);
        const std::size_t slash = folder.rfind('/');
        folder.erase(slash == 0 ? 1 : slash);
    }
    return folder.back() == '/' ? folder + relative : folder + "/" + relative;
}

} // namespace

std::vector<std::string> moduleFolders() {
    const std::string folder = programFolder();
    if (folder.empty()) {
        return {};
    }
    return {folder, joinLexically(folder, TUNELET_INSTALLED_MODULE_FOLDER)};
}

OpenedEntry openEntry(const char *fileName, const char *entryName) {
    OpenedEntry entry;
    std::string searched;
    for (const std::string &folder : moduleFolders()) {
        const std::string path = folder + "/" + fileName;
        if (!isRegularFile(path)) {
            searched += (searched.empty() ? "" : "，") + folder;
            continue;
        }
        // RTLD_LOCAL: the module's libraries stay its own, nothing leaks into the program.
        void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        entry.function = handle != nullptr ? ::dlsym(handle, entryName) : nullptr;
        if (entry.function == nullptr) {
            const char *why = ::dlerror();
            entry.error = "无法载入模块“" + path + "”：" + (why ? why : "未知错误");
        }
        return entry;
    }
    entry.error = std::string("找不到模块“") + fileName + "”（已查找：" + searched +
                  "），请重新构建或安装 Tunelet";
    return entry;
}

} // namespace tunelet::modules

// Finding and opening Tunelet's modules.
#include "modules/module_folders.h"

#include <dlfcn.h>

#include <system_error>

namespace tunelet::modules {

namespace {

std::filesystem::path programFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

} // namespace

std::vector<std::filesystem::path> moduleFolders() {
    const std::filesystem::path folder = programFolder();
    if (folder.empty()) {
        return {};
    }
    return {folder, (folder / TUNELET_INSTALLED_MODULE_FOLDER).lexically_normal()};
}

OpenedEntry openEntry(const char *fileName, const char *entryName) {
    OpenedEntry entry;
    std::string searched;
    for (const std::filesystem::path &folder : moduleFolders()) {
        const std::filesystem::path path = folder / fileName;
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            searched += (searched.empty() ? "" : "，") + folder.string();
            continue;
        }
        // RTLD_LOCAL: the module's libraries stay its own, nothing leaks into the program.
        void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        entry.function = handle != nullptr ? ::dlsym(handle, entryName) : nullptr;
        if (entry.function == nullptr) {
            const char *why = ::dlerror();
            entry.error = "无法载入模块“" + path.string() + "”：" + (why ? why : "未知错误");
        }
        return entry;
    }
    entry.error = std::string("找不到模块“") + fileName + "”（已查找：" + searched +
                  "），请重新构建或安装 Tunelet";
    return entry;
}

} // namespace tunelet::modules

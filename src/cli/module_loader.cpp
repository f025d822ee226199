// tunelet-export: finding and opening the output modules.
#include "cli/module_loader.h"

#include <dlfcn.h>

#include <system_error>

namespace tunelet::cli {

namespace {

// The running program's folder: modules sit beside it or in a folder relative to it, so
// the build tree and any install prefix work without a configured path.
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

ModuleEntry openModule(const OutputModule &module) {
    ModuleEntry entry;
    std::string searched;
    for (const std::filesystem::path &folder : moduleFolders()) {
        const std::filesystem::path path = folder / module.fileName;
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            searched += (searched.empty() ? "" : "，") + folder.string();
            continue;
        }
        // RTLD_LOCAL: the module's libraries stay its own, nothing leaks into the command.
        void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        void *function = handle != nullptr ? ::dlsym(handle, module.entryName) : nullptr;
        if (function == nullptr) {
            const char *why = ::dlerror();
            entry.error = "无法载入模块“" + path.string() + "”：" + (why ? why : "未知错误");
            return entry;
        }
        entry.function = reinterpret_cast<TuneletExportFunction>(function);
        return entry;
    }
    entry.error = std::string("找不到模块“") + module.fileName + "”（已查找：" + searched +
                  "），请重新构建或安装 Tunelet";
    return entry;
}

bool runModule(TuneletExportFunction function, const std::vector<std::string> &lines,
               midi::ExportOptions options, const std::string &inputPath,
               const std::string &outputPath, std::string &message,
               const std::string &timeSignature) {
    std::vector<const char *> data;
    std::vector<std::size_t> sizes;
    data.reserve(lines.size());
    sizes.reserve(lines.size());
    for (const std::string &line : lines) {
        data.push_back(line.data());
        sizes.push_back(line.size());
    }
    const TuneletExportRequest request{
        TUNELET_EXPORT_ABI, data.data(),        sizes.data(),
        lines.size(),       options.division,   options.staccato,
        inputPath.c_str(),  outputPath.c_str(), timeSignature.c_str()};
    std::string reply(4096, '\0');
    if (function(&request, reply.data(), reply.size()) == TUNELET_EXPORT_OK) {
        return true;
    }
    message = reply.c_str();
    return false;
}

} // namespace tunelet::cli

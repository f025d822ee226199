// tunelet-export: finding and opening the output modules.
#include "cli/module_loader.h"

#include <utility>

#include "modules/module_folders.h"

namespace tunelet::cli {

ModuleEntry openModule(const OutputModule &module) {
    modules::OpenedEntry opened = modules::openEntry(module.fileName, module.entryName);
    return {reinterpret_cast<TuneletExportFunction>(opened.function), std::move(opened.error)};
}

bool runModule(TuneletExportFunction function, const std::vector<std::string> &lines,
               midi::ExportOptions options, const std::string &inputPath,
               const std::string &outputPath, std::string &message,
               const std::string &timeSignature, const std::string &songBlock) {
    std::vector<const char *> data;
    std::vector<std::size_t> sizes;
    data.reserve(lines.size());
    sizes.reserve(lines.size());
    for (const std::string &line : lines) {
        data.push_back(line.data());
        sizes.push_back(line.size());
    }
    const TuneletExportRequest request{
        TUNELET_EXPORT_ABI,    data.data(),      sizes.data(),      lines.size(),
        options.division,      options.staccato, inputPath.c_str(), outputPath.c_str(),
        timeSignature.c_str(), songBlock.data(), songBlock.size()};
    std::string reply(4096, '\0');
    if (function(&request, reply.data(), reply.size()) == TUNELET_EXPORT_OK) {
        return true;
    }
    message = reply.c_str();
    return false;
}

} // namespace tunelet::cli

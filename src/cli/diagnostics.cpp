// tunelet-export: failure messages and the explanation of where and why an export failed.
#include "cli/diagnostics.h"

#include "export/fault_text.h"

namespace tunelet::cli {

using midi::ExportFailure;

std::string failureDetail(const midi::ExportResult &result, const std::vector<std::string> &lines,
                          const ExportContext &context) {
    switch (result.failure) {
    case ExportFailure::NoTracks:
        return "文件“" + context.inputPath + "”中没有音轨";
    case ExportFailure::TooManyTracks:
        return "文件“" + context.inputPath + "”有" + std::to_string(lines.size()) +
               "个音轨，最多允许16个";
    case ExportFailure::TokenError:
    case ExportFailure::NumberError:
        if (result.track >= 1 && result.track <= lines.size()) {
            return midi::tokenFaultText(result, lines[result.track - 1]);
        }
        break;
    default:
        if (std::string detail = midi::failureDetail(result, context.inputPath, context.outputPath);
            !detail.empty()) {
            return detail;
        }
        break;
    }
    return "导出失败";
}

} // namespace tunelet::cli

// Finding and opening Tunelet's modules.
#include "modules/module_folders.h"

#include <algorithm>
#include <cstdint>

#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
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

template <typename T> bool readAt(int fd, T &value, std::uint64_t offset) {
    return ::pread(fd, &value, sizeof value, static_cast<off_t>(offset)) ==
           static_cast<ssize_t>(sizeof value);
}

bool fits(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

// Whether every part of the shared object that its headers name lies within the file. The
// loader maps the file without this check: a file cut short (a full disk during an
// install) ends the program with SIGBUS as soon as code or data beyond its end is
// touched. A file that is no ELF object at all is left to the loader's own message.
bool isWhole(const std::string &path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return true; // the loader says why it cannot be opened
    }
    struct stat status {};
    ElfW(Ehdr) header{};
    bool whole = ::fstat(fd, &status) == 0;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (whole && readAt(fd, header, 0) && std::equal(ELFMAG, ELFMAG + SELFMAG, header.e_ident) &&
        header.e_ident[EI_CLASS] == (sizeof(void *) == 8 ? ELFCLASS64 : ELFCLASS32)) {
        whole = fits(header.e_phoff, std::uint64_t(header.e_phnum) * sizeof(ElfW(Phdr)), size) &&
                (header.e_shoff == 0 ||
                 fits(header.e_shoff, std::uint64_t(header.e_shnum) * sizeof(ElfW(Shdr)), size));
        for (unsigned i = 0; whole && i < header.e_phnum; ++i) {
            ElfW(Phdr) segment{};
            whole = readAt(fd, segment, header.e_phoff + i * sizeof segment) &&
                    (segment.p_type != PT_LOAD || fits(segment.p_offset, segment.p_filesz, size));
        }
        for (unsigned i = 0; whole && header.e_shoff != 0 && i < header.e_shnum; ++i) {
            ElfW(Shdr) section{};
            whole =
                readAt(fd, section, header.e_shoff + i * sizeof section) &&
                (section.sh_type == SHT_NOBITS || fits(section.sh_offset, section.sh_size, size));
        }
    }
    ::close(fd);
    return whole;
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
        if (!isWhole(path)) {
            entry.error = "模块文件“" + path + "”不完整（已损坏），请重新构建或安装 Tunelet";
            return entry;
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

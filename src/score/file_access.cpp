// Opening only regular files, comparing files, and the wording of file errors.
#include "score/file_access.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunelet::score {

OpenedFile openRegularFile(const std::string &path, int flags) {
    // O_NONBLOCK: opening a pipe would otherwise wait for its other end, for ever.
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A socket, a pipe without a reader, a terminal that is not ours.
        return {-1, errno == ENXIO ? kNotRegularFile : errno};
    }
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        error = kNotRegularFile;
    } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
        return {-1, error};
    }
    return {fd, 0};
}

bool isSameFile(const std::string &first, const std::string &second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string systemErrorText(int error, FileAccess access) {
    switch (error) {
    case kNotRegularFile:
        return "这不是普通文件（而是设备、管道或套接字）";
    case kNoNewFileHere:
        return "这个文件夹中不能新建文件";
    case kOldCopyExists:
        return "上次中断的写入留下的旧内容副本（文件名后加“.tnl-old”）还在，请先移走它";
    case ENOSPC:
    case EDQUOT:
        return "磁盘空间不足";
    case EACCES:
    case EPERM:
        return "没有权限";
    case ENOENT:
        return access == FileAccess::Write ? "文件夹不存在" : "文件不存在";
    case ENOTDIR:
        return "路径中有一部分不是文件夹";
    case EISDIR:
        return "这是一个文件夹";
    case EROFS:
        return "磁盘是只读的";
    case ENAMETOOLONG:
        return "文件名太长";
    case ELOOP:
        return "符号链接过多";
    case EFBIG:
        return "文件太大";
    case ENOMEM:
        return "内存不足";
    case EIO:
        return "读写磁盘时出错";
    case EEXIST:
        return "文件已存在";
    default:
        return "系统错误 " + std::to_string(error);
    }
}

} // namespace tunelet::score

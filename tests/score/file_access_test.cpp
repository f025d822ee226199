// Tests of the wording of file errors: every reason the user can be given.
#include "score/file_access.h"

#include <cerrno>

#include <gtest/gtest.h>

namespace tunelet::score {
namespace {

TEST(SystemErrorText, EveryReasonInTheUsersWords) {
    const struct {
        int error;
        FileAccess access;
        const char *text;
    } cases[] = {
        {kNotRegularFile, FileAccess::Read, "这不是普通文件（而是设备、管道或套接字）"},
        {kNoNewFileHere, FileAccess::Write, "这个文件夹中不能新建文件"},
        {kOldCopyExists, FileAccess::Write,
         "上次中断的写入留下的旧内容副本（文件名后加“.tnl-old”）还在，请先移走它"},
        {ENOSPC, FileAccess::Write, "磁盘空间不足"},
        {EDQUOT, FileAccess::Write, "磁盘空间不足"},
        {EACCES, FileAccess::Write, "没有权限"},
        {EPERM, FileAccess::Write, "没有权限"},
        {ENOENT, FileAccess::Write, "文件夹不存在"},
        {ENOENT, FileAccess::Read, "文件不存在"},
        {ENOTDIR, FileAccess::Write, "路径中有一部分不是文件夹"},
        {EISDIR, FileAccess::Read, "这是一个文件夹"},
        {EROFS, FileAccess::Write, "磁盘是只读的"},
        {ENAMETOOLONG, FileAccess::Write, "文件名太长"},
        {ELOOP, FileAccess::Read, "符号链接过多"},
        {EFBIG, FileAccess::Write, "文件太大"},
        {ENOMEM, FileAccess::Read, "内存不足"},
        {EIO, FileAccess::Read, "读写磁盘时出错"},
        {EEXIST, FileAccess::Write, "文件已存在"},
        {EBADF, FileAccess::Write, "系统错误 9"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(systemErrorText(c.error, c.access), c.text) << c.error;
    }
}

} // namespace
} // namespace tunelet::score

// Tests of tunelet-export: the built program run in a fresh temporary folder.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tunelet::test {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class TuneletExport : public ::testing::Test {
protected:
    // Arguments are passed to the shell as written: the tests use plain names only. The
    // launcher (environment settings, a command) goes before the program.
    Outcome run(const std::string &arguments, const std::string &launcher = {},
                const std::string &program = TUNELET_EXPORT_BIN) {
        const std::string command = "cd '" + m_dir.path().string() + "' && " + launcher + " '" +
                                    program + "' " + arguments + " > .out 2> .err";
        Outcome result;
        int status = std::system(command.c_str());
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readBytes(file(".out"));
        result.err = readBytes(file(".err"));
        std::filesystem::remove(file(".out"));
        std::filesystem::remove(file(".err"));
        return result;
    }
    std::string file(const std::string &name) const { return m_dir.file(name); }
    void write(const std::string &name, const std::string &bytes) const {
        writeBytes(file(name), bytes);
    }
    std::string read(const std::string &name) const { return readBytes(file(name)); }

    TempDir m_dir;
};

// A failing run: the script, the options before the files, and what it prints.
struct FailureCase {
    const char *name;
    std::string script;
    std::string arguments;
    std::string message;
};

inline void PrintTo(const FailureCase &c, std::ostream *os) {
    *os << c.name;
}

} // namespace tunelet::test

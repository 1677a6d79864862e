// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Each test file registers its QtTest classes here; one runner per
// subsystem folder runs them all in one process.
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace TestRegistry {
using Factory = std::function<std::unique_ptr<QObject>()>;
int Add(const char *name, Factory factory);
int RunAll(int argc, char **argv);
}  // namespace TestRegistry

#define SIGM_TEST(Class)                                                                  \
    static const int sigm_registered_##Class =                                            \
        TestRegistry::Add(#Class, [] { return std::unique_ptr<QObject>(new Class); });

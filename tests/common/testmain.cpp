// SPDX-License-Identifier: GPL-3.0-or-later
#include "testregistry.h"
#include "testenv.h"
#include "platform/exitnow.h"

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>

namespace TestRegistry {
namespace {
struct Registered {
    const char *name;
    Factory factory;
};
std::vector<Registered> &all()
{
    static std::vector<Registered> list;
    return list;
}
}  // namespace

int Add(const char *name, Factory factory)
{
    all().push_back({name, std::move(factory)});
    return int(all().size());
}

int RunAll(int argc, char **argv)
{
    // "--class=Name" runs one test class; the other arguments go to QtTest.
    QString only;
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a.startsWith(QLatin1String("--class=")))
            only = a.mid(8);
        else
            args.push_back(argv[i]);
    }
    argc = int(args.size());
    argv = args.data();
    int failures = 0;
    for (const Registered &r : all()) {
        if (!only.isEmpty() && only != QLatin1String(r.name))
            continue;
        std::unique_ptr<QObject> test = r.factory();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    std::printf("%s: %d test classes, %d failed\n", argv[0], int(all().size()), failures);
    return failures == 0 ? 0 : 1;
}
}  // namespace TestRegistry

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    int rc = 0;
    {
        QApplication app(argc, argv);
        TestEnv::Isolate();
        rc = TestRegistry::RunAll(argc, argv);
    }
    // Qt's audio engine may crash on its way out after the last test; every
    // result has been printed, so leave without running global destructors.
    ExitNow(rc);
}

#pragma once
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// Some checks need this test program started anew: through a link, or as
// another user. It then runs one of its disabled probes, which skip unless
// TOLVANE_PROBE is set, and prints what it found.
struct SelfRunResult {
    bool started = false;
    int exitCode = -1;
    QString output; // standard output
    QString errors;
};

inline SelfRunResult RunProbe(const QString& probe, const QString& program,
                              const QStringList& wrapper = {},
                              const QProcessEnvironment& extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOLVANE_PROBE"), QStringLiteral("1"));
    env.insert(extra);
    QStringList arguments = wrapper;
    arguments << program << QStringLiteral("--gtest_also_run_disabled_tests")
              << QStringLiteral("--gtest_filter=") + probe;
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(arguments.takeFirst(), arguments);
    SelfRunResult result;
    result.started = process.waitForStarted(10000);
    if (result.started && process.waitForFinished(60000)) {
        result.exitCode = process.exitCode();
        result.output = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.errors = QString::fromLocal8Bit(process.readAllStandardError());
    }
    return result;
}

// The value a probe printed as "key: value" on a line of its own.
inline QString ProbeValue(const SelfRunResult& run, const QString& key) {
    for (const QString& line : run.output.split(QLatin1Char('\n')))
        if (line.startsWith(key + QStringLiteral(": ")))
            return line.mid(key.size() + 2);
    return {};
}

#define PROBE_ONLY()                                                                               \
    do {                                                                                           \
        if (qEnvironmentVariableIsEmpty("TOLVANE_PROBE"))                                          \
            GTEST_SKIP() << "runs only when started by another test";                              \
    } while (0)

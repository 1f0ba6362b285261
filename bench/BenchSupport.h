#pragma once
#include <QByteArray>
#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <vector>

// The pictures and files the benchmarks work on come from the tests'
// fixtures (tests/fixtures): SynthesisePhoto, MakeJpeg (libjpeg's bare
// encode, the floor for our saving), the hostile files.

// libjpeg's bare decode with the program's settings (RGB, accurate transform,
// block smoothing) into a new plain buffer, the floor for decoding; returns a
// byte of it.
unsigned char BareDecode(const QByteArray& jpeg);
// The same into one strip of 16 rows overwritten batch after batch, as djpeg
// does: the decoder's work alone, without making fresh memory for the picture.
unsigned char BareDecodeStrip(const QByteArray& jpeg);

// A figure of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); -1 when absent.
long StatusKiB(const char* key);

// A figure, the floor it is measured against and the most it may take in
// floors (0: reported only). CPU time, or wall time for work that the
// libraries spread over threads of their own.
struct RatioPair {
    const char* figure;
    const char* floor;
    double target;
    bool wallTime = false;
};

// Prints each figure against its floor after the run.
class FloorReporter : public benchmark::ConsoleReporter {
public:
    explicit FloorReporter(std::vector<RatioPair> pairs) : pairs_(std::move(pairs)) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    double Find(const std::string& prefix, bool wallTime) const;
    std::vector<RatioPair> pairs_;
    std::map<std::string, std::pair<double, double>> times_; // CPU, wall
};

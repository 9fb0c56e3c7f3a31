// How the open command's text read scales: delimited text at 1, 4 and 16 MB and a
// file that is one long field, read field by field and collected into one string as
// the open command collects it. Shows the time per MB of the fields alone and of the
// whole read, and the whole read's peak memory per byte of file. Linear cost shows as
// a flat time per MB.
#include <malloc.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include "runtime/file_input.h"
#include "runtime/strings.h"
#include "process_memory.h"

namespace {

// Lines of a few comma-separated fields, some quoted, some numeric, CR LF line ends.
void WriteText(const QString& path, qint64 bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const QByteArray line = "moon.jpg,4000,3000,\"Tokyo, night\",0.5\r\nplain words without commas\r\n";
    QByteArray block;
    while (block.size() < (1 << 16)) block += line;
    for (qint64 written = 0; written < bytes; written += block.size()) file.write(block);
}

// Bytes without a comma or line end: one field.
void WriteOneField(const QString& path, qint64 bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const QByteArray block(1 << 16, 'x');
    for (qint64 written = 0; written < bytes; written += block.size()) file.write(block);
}


// Processor time of this thread: on a machine shared with other work the wall time
// also counts the time spent waiting for a processor.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Run {
    double ms;
    double cpuMs;
    int64_t peakAbove;  // bytes above the resident size before the run
};

// Reads every field; with collect, gathers the text as the open command does.
Run Read(const QString& path, bool collect, size_t& chars) {
    const std::u16string windowsPath = rt::WindowsPath(path.toStdString());
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";  // a new peak from here
    const int64_t before = ProcessStatusBytes("VmRSS");
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuMs();
    std::u16string text;
    rt::Variant field;
    chars = 0;
    rt::OpenForInput(windowsPath, 8);
    while (!rt::Eof(8)) {
        rt::Input(8, field);
        if (collect) {
            rt::AppendTextOf(text, field, 8);
            text += u"\r\n";
        } else {
            chars += rt::TextOf(field).size() + 2;
        }
    }
    rt::Close(8);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double cpuMs = CpuMs() - cpuStart;
    if (collect) chars = text.size();
    return {ms, cpuMs, ProcessStatusBytes("VmHWM") - before};
}

Run Best(const QString& path, bool collect, size_t& chars) {
    Run best{1e300, 1e300, 0};
    for (int run = 0; run < 3; ++run) {
        const Run r = Read(path, collect, chars);
        best.ms = std::min(best.ms, r.ms);
        best.cpuMs = std::min(best.cpuMs, r.cpuMs);
        best.peakAbove = std::max(best.peakAbove, r.peakAbove);
    }
    return best;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("%-10s %5s %17s %17s %10s %10s\n", "file", "MB", "fields", "whole read", "peak per", "chars");
    std::printf("%-10s %5s %17s %17s %10s %10s\n", "", "", "ms per MB (cpu)", "ms per MB (cpu)", "file byte", "");
    struct Case {
        const char* label;
        int mb;
        void (*write)(const QString&, qint64);
    };
    for (const Case& c : {Case{"delimited", 1, WriteText}, Case{"delimited", 4, WriteText},
                          Case{"delimited", 16, WriteText}, Case{"one field", 16, WriteOneField},
                          Case{"one field", 64, WriteOneField}}) {
        const QString path = dir.filePath(QString("text-%1.txt").arg(c.mb));
        const qint64 bytes = qint64(c.mb) << 20;
        c.write(path, bytes);
        size_t chars = 0;
        const Run fields = Best(path, false, chars);
        const Run whole = Best(path, true, chars);
        std::printf("%-10s %5d %8.2f (%6.2f) %8.2f (%6.2f) %10.2f %10zu\n", c.label, c.mb, fields.ms / c.mb,
                    fields.cpuMs / c.mb, whole.ms / c.mb, whole.cpuMs / c.mb, double(whole.peakAbove) / double(bytes),
                    chars);
        std::fflush(stdout);
    }
    std::printf("\naims: whole read at most 5 ms per MB; peak at most about 2 bytes per byte of a one-field file\n");
    return 0;
}

// How the open command's text read scales: the same delimited text at 1, 4 and 16 MB,
// read field by field into one collected string, with the time per MB side by side.
// Linear cost shows as a flat time per MB.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "runtime/file_input.h"
#include "runtime/strings.h"

namespace {

// Lines of a few comma-separated fields, some quoted, some numeric, CR LF line ends.
void WriteText(const QString& path, qint64 bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const QByteArray line = "moon.jpg,4000,3000,\"Tokyo, night\",0.5\r\nplain words without commas\r\n";
    for (qint64 written = 0; written < bytes; written += line.size()) file.write(line);
}

double ReadAll(const QString& path, size_t& collected) {
    const std::u16string windowsPath = rt::WindowsPath(path.toStdString());
    QElapsedTimer timer;
    timer.start();
    std::u16string text;
    rt::Variant field;
    rt::OpenForInput(windowsPath, 8);
    while (!rt::Eof(8)) {
        rt::Input(8, field);
        text += rt::TextOf(field);
        text += u"\r\n";
    }
    rt::Close(8);
    collected = text.size();
    return double(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("%8s %10s %12s %10s\n", "MB", "ms", "ms per MB", "chars");
    double first = 0;
    for (int mb : {1, 4, 16}) {
        const QString path = dir.filePath(QString("text-%1.txt").arg(mb));
        WriteText(path, qint64(mb) << 20);
        size_t chars = 0;
        double best = 1e18;
        for (int run = 0; run < 3; ++run) best = std::min(best, ReadAll(path, chars));
        const double perMb = best / mb;
        if (first == 0) first = perMb;
        std::printf("%8d %10.1f %12.2f %10zu  (x%.2f of the 1 MB rate)\n", mb, best, perMb, chars, perMb / first);
    }
    return 0;
}

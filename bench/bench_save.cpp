// Save-as timings for a 24-megapixel picture, per target format: the write alone
// (SavePicture), the whole Save command (scripted dialog and box), and ImageMagick's
// convert and libvips' copy of the same picture to the same format in the same run;
// file sizes, and quality as PSNR against the source. With ORVENNA_SAVE_BASELINES naming
// other builds' bench_save programs (label=path, separated by spaces), those run first
// on the same picture, row by row just before ours, and each row's time, size and PSNR
// are set against theirs, with the aims for them. ORVENNA_SAVE_NO_TOOLS=1 leaves out convert and vips.
// Each save is timed again held to one core, to show what the machine's other cores bring.
#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <sched.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

#include "app/form1.h"
#include "runtime/common_dialog.h"
#include "runtime/msgbox.h"
#include "runtime/picture.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "runtime/testing.h"
#include "bench_pictures.h"

namespace {

double Ms(QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }


// Runs a converter and returns its time in ms, or -1 when it is missing or fails.
double Run(const QString& program, const QStringList& args) {
    if (program.isEmpty()) return -1;
    QElapsedTimer t;
    t.start();
    const int code = QProcess::execute(program, args);
    return code == 0 ? Ms(t) : -1;
}

// What another build's bench_save measured for a row: its own save's time, size, PSNR.
struct Measured {
    double ms = -1, mb = 0, psnr = 0;
};

struct Baseline {
    QString label, program;
    QMap<QString, Measured> rows;
};

// The baselines named in ORVENNA_SAVE_BASELINES, not yet run.
QList<Baseline> Baselines() {
    QList<Baseline> baselines;
    for (const QString& item : qEnvironmentVariable("ORVENNA_SAVE_BASELINES").split(' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf('=');
        baselines << Baseline{eq > 0 ? item.left(eq) : item, item.mid(eq + 1), {}};
    }
    return baselines;
}

// Runs a baseline program on one row, just before ours, so that both meet the same load on
// the machine, and reads its table. Older programs have no jxl or avif row.
void RunBaseline(Baseline& baseline, const QString& row) {
    if (row == "jxl" || row == "avif") return;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(baseline.program, {row});
    process.waitForFinished(-1);
    // A row: ext ours cmd convert vips | MB conv vips | PSNR conv vips
    static const QRegularExpression line(
        R"(^(\w+)\s+(-?[\d.]+)\s+\S+\s+\S+\s+\S+\s+\|\s+([\d.]+)\s+\S+\s+\S+\s+\|\s+([\d.]+))");
    for (const QString& text : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch() || m.captured(1) != row) continue;
        const Measured run{m.captured(2).toDouble(), m.captured(3).toDouble(), m.captured(4).toDouble()};
        // Its best run, as ours is timed.
        if (!baseline.rows.contains(row) || run.ms < baseline.rows[row].ms) baseline.rows[row] = run;
    }
}

// The aims for a row against a baseline: its time at most `time` of the baseline's, its
// size at most `size` of it, and its PSNR no lower where `samePsnr`.
struct Aim {
    double time, size;
    bool samePsnr;
};

// BMP has none: -1.
Aim AimFor(const QString& row) {
    if (row == "png") return {0.35, 1.05, false};
    if (row == "tif") return {0.5, 1.05, false};
    if (row == "gif") return {0.6, 1.05, true};
    if (row == "jpg") return {1.05, 1.01, true};  // as fast as before, give or take the noise of one run
    if (row == "webp" || row == "webpL" || row == "avif" || row == "jxl") return {1 / 1.5, 1.01, false};
    return {-1, -1, false};
}

// The time in ms of a call made with this thread held to its first CPU; -1 when it cannot be.
double OnOneCore(const std::function<void()>& call) {
    cpu_set_t all, one;
    if (sched_getaffinity(0, sizeof all, &all) != 0) return -1;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    if (sched_setaffinity(0, sizeof one, &one) != 0) return -1;
    QElapsedTimer t;
    t.start();
    call();
    const double ms = Ms(t);
    sched_setaffinity(0, sizeof all, &all);
    return ms;
}

QString Tool(const char* name) {
    const QString usr = QStringLiteral("/usr/bin/") + name;
    return QFileInfo::exists(usr) ? usr : QStandardPaths::findExecutable(name);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int w = 6000, h = 4000;
    QTemporaryDir dir;
    const QString root = dir.path();
    std::printf("Save-as of a %dx%d picture (%.1f MP): time in ms, size in MB, PSNR in dB against the source\n"
                "(ours: SavePicture, file synced; cmd: the whole Save command; convert: ImageMagick; vips: vips copy)\n",
                w, h, w * h / 1e6);
    const QImage source = MakePicture(w, h);
    const rt::Picture picture = rt::PictureFromImage(source);
    rt::PictureMetadata losslessSource;
    losslessSource.lossless = true;
    const rt::Picture fromLossless = rt::PictureFromFile(source, losslessSource);
    const QString ppm = root + "/source.ppm";
    source.save(ppm, "PPM");

    // Formats to run: all, or those named on the command line; webpL is WebP from a lossless source.
    QStringList rows;
    const QStringList only = app.arguments().mid(1);
    for (const QString row : {"jpg", "png", "gif", "bmp", "tif", "webp", "webpL", "avif", "jxl"})
        if (only.isEmpty() || only.contains(row)) rows << row;
    QList<Baseline> baselines = Baselines();
    QMap<QString, Measured> ourRows;

    const bool tools = qEnvironmentVariable("ORVENNA_SAVE_NO_TOOLS") != "1";
    const QString convert = tools ? Tool("convert") : QString(), vips = tools ? Tool("vips") : QString();
    std::printf("%-6s %7s %7s %7s %7s | %6s %6s %6s | %6s %6s %6s | %7s %5s\n", "ext", "ours", "cmd", "convert", "vips",
                "MB", "conv", "vips", "PSNR", "conv", "vips", "1 core", "gain");

    Form1 form;
    rt::testing::SetMsgBoxHandler([](const std::u16string&, int, const std::u16string&) { return int(rt::vbOK); });
    // With baselines, each row is timed twice, theirs and ours in turn, and the best of each
    // is set against the other: one run's noise would otherwise decide the close rows.
    const int rounds = baselines.isEmpty() ? 1 : 2;
    for (const QString& row : rows) {
        const bool lossless = row == "webpL";
        const QString ext = lossless ? QStringLiteral("webp") : row;
        const rt::Picture& shown = lossless ? fromLossless : picture;
        const QString ours = root + "/ours." + ext;
        QElapsedTimer t;
        double write = 1e300;
        for (int round = 0; round < rounds; ++round) {
            for (Baseline& baseline : baselines) RunBaseline(baseline, row);
            t.start();
            rt::SavePicture(shown, rt::WindowsPath(ours.toStdString()));
            write = std::min(write, Ms(t));
        }
        // The same save held to one core (the threads it starts inherit this thread's CPUs):
        // what the machine's other cores bring.
        const double oneCore = OnOneCore([&] { rt::SavePicture(shown, rt::WindowsPath(ours.toStdString())); });

        const QString viaCommand = root + "/command." + ext;
        rt::testing::SetSaveDialogHandler([&](const rt::SaveDialogRequest&) { return viaCommand.toStdString(); });
        form.Picture1.SetPicture(shown);
        t.start();
        form.Save_Click(0);
        const double command = Ms(t);

        const QString converted = root + "/convert." + ext, copied = root + "/vips." + ext;
        QFile::remove(converted);
        QFile::remove(copied);
        QStringList args{ppm};
        if (ext == "jpg" || (ext == "webp" && !lossless)) args << "-quality" << "90";
        if (lossless) args << "-define" << "webp:lossless=true";
        const double theirs = Run(convert, args << converted);
        QString options = ext == "jpg" || (ext == "webp" && !lossless) ? "[Q=90]" : lossless ? "[lossless]" : "";
        const double vipsTime = Run(vips, {"copy", ppm, copied + options});

        const auto mb = [](const QString& f) { return QFileInfo::exists(f) ? QFileInfo(f).size() / 1e6 : 0.0; };
        const auto psnr = [&](const QString& f) { return QFileInfo::exists(f) ? Psnr(source, QImage(f)) : 0.0; };
        ourRows[row] = {write, mb(ours), psnr(ours)};
        std::printf("%-6s %7.0f %7.0f %7.0f %7.0f | %6.1f %6.1f %6.1f | %6.2f %6.2f %6.2f | %7.0f %5.2f\n",
                    qPrintable(row), write, command, theirs, vipsTime, mb(ours), mb(converted), mb(copied), psnr(ours),
                    psnr(converted), psnr(copied), oneCore, oneCore > 0 ? oneCore / write : 0.0);
        std::fflush(stdout);
    }
    rt::testing::SetSaveDialogHandler({});
    rt::testing::SetMsgBoxHandler({});
    std::printf("(-1: the tool is missing or cannot write the format; PSNR 99: identical; 0: not readable here;\n"
                " 1 core: our save held to one core, gain: that time over ours on all %d)\n", QThread::idealThreadCount());
    for (const Baseline& baseline : baselines) {
        std::printf("\nAgainst %s, same picture, same run: time and size as ours / theirs (aim), PSNR ours / theirs\n",
                    qPrintable(baseline.label));
        std::printf("%-6s %7s %7s %12s %12s %15s\n", "ext", "ours", "theirs", "time", "size", "PSNR");
        for (const QString& row : rows) {
            const Measured ours = ourRows.value(row), theirs = baseline.rows.value(row);
            if (theirs.ms <= 0 || ours.ms <= 0) {
                std::printf("%-6s %7.0f %7s (not in that build)\n", qPrintable(row), ours.ms, "-");
                continue;
            }
            const Aim aim = AimFor(row);
            const double time = ours.ms / theirs.ms, size = theirs.mb > 0 ? ours.mb / theirs.mb : 0;
            const bool met = time <= aim.time && size <= aim.size && (!aim.samePsnr || ours.psnr >= theirs.psnr - 0.005);
            const char* verdict = aim.time < 0 ? "(no aim)" : met ? "met" : "MISSED";
            std::printf("%-6s %7.0f %7.0f %5.2f (%4.2f) %5.2f (%4.2f) %6.2f / %6.2f %s\n", qPrintable(row), ours.ms,
                        theirs.ms, time, aim.time, size, aim.size, ours.psnr, theirs.psnr, verdict);
        }
    }
    return 0;
}

// Picture switch latency through the program's real tick path: the window's
// timer fires in the event loop, its tick slot runs Timer1_Timer with the Qt
// services, which show the picture (decoded ahead by the window, or read
// now) and mark the window for painting; the latency ends with the frame
// that paints it. Between two ticks the same pictures are read again by the
// program's reader alone, and then shown loaded the naive way, through the
// window's own background and paint, so that both sides meet the same
// machine state.

#include "bench_window.h"
#include "measurements.h"

#include "disc/drives.h"
#include "model/exercise_state.h"
#include "ui/qt/background_picture.h"

#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <cstdint>
#include <stdexcept>

namespace {

// Ticks run first and are not counted: the first loads of a set read its
// files from the disk and warm the decoder's code.
constexpr int warmUpTicks = 5;
// Pause between two measured switches, so that each starts, as a real tick
// does, with nothing left over from the one before.
constexpr int gapMs = 20;

// The picture as a program would read it without care: the whole file
// decoded at full size, then reduced to the size shown with the same
// smoothing the program's own reduction gives, so both look alike.
// The program's own reading and decoding of a picture, as its reading
// thread does it.
QImage programDecode(const QString& file, QSize area)
{
    const StopCheck never = [] { return false; };
    const auto bytes = readPictureFile(file.toStdString(), never);
    if (!bytes)
        return {};
    const auto picture = decodeBackgroundPicture(*bytes, {area.width(), area.height()}, never);
    const auto* decoded = dynamic_cast<const QtPicture*>(picture.get());
    return decoded ? decoded->image : QImage();
}

QImage naiveLoad(const QString& file, QSize area)
{
    const QImage whole(file);
    if (whole.isNull())
        return {};
    const bool fits = whole.width() <= area.width() && whole.height() <= area.height();
    return fits ? whole : whole.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QString localFile(const Value& programPath)
{
    return QString::fromStdString(drives::localPath(text(programPath)));
}

} // namespace

SwitchLatency measureSwitchLatency(BenchApplication& app, const SwitchCase& c)
{
    BenchWindow bench(app, c.disc);
    MainWindow& window = bench.window();
    ExerciseState& state = window.state();
    c.settings(bench);
    bench.startExercise();
    // From here on the bench says when the timer fires; the tick itself sets
    // the timer's interval, which the bench overrides after each frame.
    window.timer1().stop();

    enum class Stage { programTick, programFrame, naiveLoad, naiveFrame, finished };
    Stage stage = Stage::programTick;
    Clock::time_point start;
    QStringList shown;
    int switches = 0;
    SwitchLatency result;

    const auto nextTick = [&] {
        if (c.endOfExercise) {
            // One picture short of any limit, the exercise started again with
            // a click as the user gives it: the tick shows its picture,
            // counts it and ends the exercise with the closing bitmap.
            state.shownCount = INT16_MAX - 1;
            if (state.running != 1)
                bench.startExercise();
        }
        stage = Stage::programTick;
        window.timer1().start(gapMs);
    };
    const auto record = [&](std::vector<double>& series, Clock::time_point end) {
        if (switches >= warmUpTicks)
            series.push_back(millisecondsBetween(start, end));
    };

    QTimer naive;
    naive.setSingleShot(true);
    QObject::connect(&naive, &QTimer::timeout, [&] {
        // First the program's own reading of the same pictures alone, as the
        // window does it between ticks to have the next picture ready.
        const Clock::time_point decodeStart = Clock::now();
        for (const QString& file : shown)
            programDecode(file, window.size());
        if (switches >= warmUpTicks)
            result.decode.push_back(millisecondsBetween(decodeStart, Clock::now()));

        start = Clock::now();
        for (const QString& file : shown)
            window.setBackgroundPicture(naiveLoad(file, window.size()), file.toStdString());
        stage = Stage::naiveFrame;
    });

    app.tickStarted = [&](Clock::time_point t) {
        if (stage == Stage::programTick) {
            start = t;
            stage = Stage::programFrame;
        }
    };
    app.frameEnded = [&](Clock::time_point t) {
        if (stage == Stage::programFrame) {
            record(result.program, t);
            window.timer1().stop();
            shown = {localFile(state.imagePath)};
            if (c.endOfExercise)
                shown.append(localFile(state.closingPicturePath));
            stage = Stage::naiveLoad;
            naive.start(gapMs);
        } else if (stage == Stage::naiveFrame) {
            record(result.naive, t);
            if (++switches == warmUpTicks + c.ticks)
                stage = Stage::finished;
            else
                nextTick();
        }
    };

    nextTick();
    runEventLoopUntil([&] { return stage == Stage::finished; }, std::chrono::minutes(15));
    if (c.endOfExercise && state.running == 1)
        throw std::runtime_error("the exercise did not end at its last picture");
    return result;
}

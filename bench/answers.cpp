// The response times the program measures, against key presses made by the
// bench at known moments. The program runs on an X server of its own
// (Xvfb), so that a key press comes as a user's does: made on the server
// (XTEST), stamped by it, queued during the feedback wait, handled by the
// window afterwards. The bench knows when the picture reached the screen
// (the end of its frame) and when it pressed the key; the program's
// response time should be the difference.
//
// The parent process starts the X server and runs this bench program again
// on it, once per case; the child prints one error per line.

#include "bench_window.h"
#include "measurements.h"

#include "engine/form1.h"

#include <QProcess>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>

namespace {

constexpr xcb_keysym_t rightArrow = 0xFF53;
constexpr xcb_keysym_t shiftKey = 0xFFE1;

// Presses keys on the X server, on a thread of its own, at the moments it
// is given.
class KeyPresser {
public:
    KeyPresser() : connection_(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(connection_))
            throw std::runtime_error("no X server for the key presses");
        right_ = keycodeOf(rightArrow);
        shift_ = keycodeOf(shiftKey);
        thread_ = std::thread([this] { work(); });
    }
    ~KeyPresser()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
        xcb_disconnect(connection_);
    }
    KeyPresser(const KeyPresser&) = delete;
    KeyPresser& operator=(const KeyPresser&) = delete;

    // Presses and releases the key at the moment given; returns at once.
    void pressAt(Clock::time_point moment, bool arrow)
    {
        const std::lock_guard lock(mutex_);
        due_ = moment;
        arrow_ = arrow;
        pressed_.reset();
        wake_.notify_all();
    }
    // When the last key press was made, once it was.
    std::optional<Clock::time_point> pressed()
    {
        const std::lock_guard lock(mutex_);
        return pressed_;
    }

private:
    xcb_keycode_t keycodeOf(xcb_keysym_t keysym)
    {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr);
        if (!map)
            throw std::runtime_error("no keyboard mapping");
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map);
        xcb_keycode_t found = 0;
        for (int i = 0; i < count * map->keysyms_per_keycode && !found; ++i) {
            if (symbols[i] == keysym)
                found = static_cast<xcb_keycode_t>(setup->min_keycode + i / map->keysyms_per_keycode);
        }
        std::free(map);
        if (!found)
            throw std::runtime_error("a key is missing from the keyboard mapping");
        return found;
    }

    void work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || due_; });
            if (stopping_)
                return;
            const Clock::time_point moment = *due_;
            const xcb_keycode_t key = arrow_ ? right_ : shift_;
            due_.reset();
            lock.unlock();
            std::this_thread::sleep_until(moment);
            lock.lock();
            // Known before the key reaches the window, which may answer at once.
            pressed_ = Clock::now();
            lock.unlock();
            xcb_test_fake_input(connection_, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_test_fake_input(connection_, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_flush(connection_);
            lock.lock();
        }
    }

    xcb_connection_t* connection_;
    xcb_keycode_t right_ = 0;
    xcb_keycode_t shift_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Clock::time_point> due_;
    std::optional<Clock::time_point> pressed_;
    bool arrow_ = true;
    bool stopping_ = false;
    std::thread thread_;
};

// The settings of a case, and its interval: the key is pressed at a random
// moment of it, from the picture's arrival to just before the next one,
// during the feedback wait and once the correct side is displayed as well.
struct AnswerSettings {
    Settings settings;
    double intervalMs;
};

AnswerSettings settingsOf(const QString& name)
{
    // Feet or the patient's photographs at 750 ms: a wait of 550 ms, then
    // the correct side displayed for 200 ms.
    if (name == QLatin1String("demo-wait"))
        return {[](BenchWindow& b) { b.set(Control::optPied); b.set(Control::OptExtreme); }, 750};
    if (name == QLatin1String("photographs-wait"))
        return {[](BenchWindow& b) { b.set(Control::optPatient); b.set(Control::OptExtreme); }, 750};
    // Hands at 500 ms, and the photographs at 750 ms, without the feedback.
    if (name == QLatin1String("demo"))
        return {[](BenchWindow& b) { b.set(Control::OptExtreme); b.set(Control::optFeedBack, false); }, 500};
    if (name == QLatin1String("photographs"))
        return {[](BenchWindow& b) {
                    b.set(Control::optPatient);
                    b.set(Control::OptExtreme);
                    b.set(Control::optFeedBack, false);
                },
                750};
    throw std::runtime_error("no answer case " + name.toStdString());
}

} // namespace

int runAnswerTiming(BenchApplication& app, const QString& disc, const QString& caseName, int answers)
{
    const AnswerSettings c = settingsOf(caseName);
    BenchWindow bench(app, disc);
    c.settings(bench);
    MainWindow& window = bench.window();
    KeyPresser keys;

    // A user's clicks and key presses before the exercise are handled as they
    // come: from them the window learns the X server's clock.
    for (int i = 0; i < 5; ++i) {
        keys.pressAt(Clock::now(), false);
        runEventLoopUntil([&] { return keys.pressed().has_value(); }, std::chrono::seconds(10));
        const Clock::time_point until = Clock::now() + std::chrono::milliseconds(20);
        runEventLoopUntil([&] { return Clock::now() >= until; }, std::chrono::seconds(1));
    }

    std::mt19937 random(2006);
    std::uniform_real_distribution<double> delay(0, c.intervalMs - 5);
    std::optional<Clock::time_point> shownAt;
    qint64 lastPicture = window.backgroundPicture().cacheKey();
    app.frameEnded = [&](Clock::time_point t) {
        const QImage& picture = window.backgroundPicture();
        if (shownAt || picture.isNull() || picture.cacheKey() == lastPicture)
            return;
        lastPicture = picture.cacheKey();
        shownAt = t;
        keys.pressAt(t + std::chrono::microseconds(static_cast<long>(delay(random) * 1000)), true);
    };
    bench.startExercise();

    std::vector<double> errors;
    const AnswerSheet& sheet = window.form().answers();
    while (static_cast<int>(errors.size()) < answers) {
        shownAt.reset();
        const int before = sheet.keysPlaced();
        runEventLoopUntil([&] { return sheet.keysPlaced() > before; }, std::chrono::seconds(20));
        const std::optional<Clock::time_point> pressed = keys.pressed();
        if (!shownAt || !pressed)
            throw std::runtime_error("an answer without its picture or its key press");
        const double truth = millisecondsBetween(*shownAt, *pressed);
        errors.push_back(sheet.latestKeySeconds() * 1000 - truth);
    }
    app.frameEnded = nullptr;
    for (double e : errors)
        std::printf("%.4f\n", e);
    return 0;
}

std::vector<double> measureAnswerTiming(const QString& benchProgram, const QString& disc, const QString& caseName,
                                        int answers)
{
    // An X server of its own: the display number comes on its standard output.
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted() || !server.waitForReadyRead(20000))
        throw std::runtime_error("Xvfb did not start");
    const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine().trimmed());

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(benchProgram, {QStringLiteral("--answer-timing"), disc, caseName, QString::number(answers)});
    const bool finished = child.waitForFinished(15 * 60 * 1000);
    server.terminate();
    server.waitForFinished();
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("the answer timing of " + caseName.toStdString() + " failed");
    std::vector<double> errors;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (!line.trimmed().isEmpty())
            errors.push_back(line.toDouble());
    }
    return errors;
}

#include "pictures.h"

#include "face.h"
#include "figure.h"
#include "foot.h"
#include "hand.h"
#include "mark.h"

#include <QFont>
#include <QPainter>
#include <QRandomGenerator>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace demo {
namespace {

constexpr qreal degree = std::numbers::pi / 180.0;
const QRectF figureArea(36, 26, 568, 428);

enum class Family { hands, feet, face, patient };

struct Scene {
    Figure figure;
    qreal rotation = 0;
};

const std::array<QColor, 4> skins = {QColor(241, 204, 178), QColor(224, 176, 138), QColor(196, 140, 100),
                                     QColor(142, 96, 66)};
const std::array<QColor, 4> sleeves = {QColor(70, 100, 150), QColor(76, 128, 96), QColor(168, 72, 70),
                                       QColor(108, 108, 122)};
const std::array<QColor, 4> trousers = {QColor(66, 88, 130), QColor(88, 88, 98), QColor(120, 94, 68),
                                        QColor(52, 54, 64)};
const std::array<QColor, 4> hairs = {QColor(92, 60, 38), QColor(40, 34, 32), QColor(196, 154, 86),
                                     QColor(158, 156, 152)};
const std::array<QColor, 4> irises = {QColor(70, 110, 150), QColor(96, 70, 44), QColor(80, 120, 80),
                                      QColor(60, 60, 70)};
const std::array<QColor, 4> shirts = {QColor(80, 130, 120), QColor(82, 110, 162), QColor(132, 92, 140),
                                      QColor(200, 130, 72)};

HandStyle handStyle(int i)
{
    return {skins[static_cast<std::size_t>(i % 4)], sleeves[static_cast<std::size_t>((i / 2 + i) % 4)]};
}

FootStyle footStyle(int i)
{
    return {skins[static_cast<std::size_t>((i + 1) % 4)], trousers[static_cast<std::size_t>((i / 3 + i) % 4)]};
}

FaceStyle faceStyle(int i)
{
    return {skins[static_cast<std::size_t>((i + 2) % 4)], hairs[static_cast<std::size_t>((i * 3 + 1) % 4)],
            irises[static_cast<std::size_t>(i % 4)], shirts[static_cast<std::size_t>((i + i / 4) % 4)],
            static_cast<HairStyle>(i % 4), i % 3 == 1};
}

// Arrows ---------------------------------------------------------------

QPainterPath straightArrow(QPointF from, QPointF to)
{
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    return path;
}

// A curved arrow; a positive bulge swells to the left of the way it goes.
QPainterPath bentArrow(QPointF from, QPointF to, qreal bulge)
{
    const QPointF d = normalised(to - from);
    const QPointF left(d.y(), -d.x());
    QPainterPath path;
    path.moveTo(from);
    path.quadTo((from + to) / 2 + left * bulge, to);
    return path;
}

// Degrees from up, clockwise, of a direction.
qreal heading(QPointF v)
{
    return std::atan2(v.x(), -v.y()) / degree;
}

// An arc around a pivot that follows a point from where it was to where it goes.
QPainterPath swingArrow(QPointF pivot, QPointF from, QPointF to, qreal beyond)
{
    const qreal radius = std::hypot(from.x() - pivot.x(), from.y() - pivot.y()) + beyond;
    qreal start = heading(from - pivot);
    qreal end = heading(to - pivot);
    if (end - start > 180)
        end -= 360;
    if (start - end > 180)
        end += 360;
    // begin a little before the old place and end a little past the new one
    const qreal step = end > start ? 4 : -4;
    return arc(pivot, radius, start - step, end + step);
}

QPointF away(QPointF point, QPointF from, qreal distance)
{
    return point + normalised(point - from) * distance;
}

// Hands ----------------------------------------------------------------

struct HandEntry {
    Gesture gesture;
    bool palm;
    qreal rotation;
};

Scene handStill(const HandEntry& e, const HandStyle& style)
{
    return {drawHand(handPose(e.gesture, e.palm), style), e.rotation};
}

// The earlier pose as a dashed outline, the pose to reach drawn in full,
// and the arrows that lead from one to the other.
Figure handMove(const HandPose& from, const HandPose& to, const HandStyle& style,
                const std::function<std::vector<QPainterPath>(const HandPoints&, const HandPoints&)>& arrows,
                bool ghost = true)
{
    HandPoints a, b;
    const Figure before = drawHand(from, style, &a);
    Figure figure;
    if (ghost)
        figure.addGhost(before);
    figure.append(drawHand(to, style, &b));
    for (const QPainterPath& arrow : arrows(a, b))
        figure.addArrow(arrow);
    return figure;
}

Figure handMovement(int i, bool palm, const HandStyle& style)
{
    const auto pose = [palm](Gesture g) { return handPose(g, palm); };
    // toward the thumb's side of the hand, as drawn
    const auto thumbSide = [](const HandPoints& p) { return normalised(p.knuckles[1] - p.knuckles[4]); };
    const auto up = [](const HandPoints& p, int finger) { return normalised(p.tips[finger] - p.palmCentre); };

    switch (i) {
    case 0: // spread the fingers
        return handMove(pose(Gesture::together), pose(Gesture::spread), style, [&](const HandPoints& a, const HandPoints& b) {
            std::vector<QPainterPath> arrows;
            for (const int f : {0, 1, 4}) {
                const QPointF lift = up(b, f) * 26;
                arrows.push_back(straightArrow(a.tips[f] + lift, away(b.tips[f] + lift, a.tips[f] + lift, 22)));
            }
            return arrows;
        });
    case 1: // close the hand
        return handMove(pose(Gesture::open), pose(Gesture::fist), style, [&](const HandPoints& a, const HandPoints& b) {
            const QPointF side = thumbSide(a) * 40;
            return std::vector{bentArrow(a.tips[1] + side, b.knuckles[1] + side + up(a, 1) * 6, 36)};
        });
    case 2: // bend the index
        return handMove(pose(Gesture::open), pose(Gesture::bentIndex), style, [&](const HandPoints& a, const HandPoints& b) {
            const QPointF side = thumbSide(a) * 30;
            return std::vector{bentArrow(a.tips[1] + side, b.tips[1] + side, 30)};
        });
    case 3: // thumb to little finger, across the palm
        return handMove(handPose(Gesture::open, true), handPose(Gesture::open, true), style,
                        [&](const HandPoints& a, const HandPoints&) {
                            const QPointF lift = up(a, 2) * 6;
                            return std::vector{bentArrow(a.tips[0] + lift, a.tips[4] + lift, -46)};
                        },
                        false);
    case 4: // bend the wrist toward the thumb
    case 5: // and toward the little finger
    {
        HandPose to = pose(Gesture::open);
        to.wrist = i == 4 ? 24 : -24;
        return handMove(pose(Gesture::open), to, style, [&](const HandPoints& a, const HandPoints& b) {
            return std::vector{swingArrow(a.wrist, a.tips[2], b.tips[2], 34)};
        });
    }
    case 6: // point with the index
        return handMove(pose(Gesture::fist), pose(Gesture::point), style, [&](const HandPoints&, const HandPoints& b) {
            const QPointF side = thumbSide(b) * 34;
            return std::vector{straightArrow(b.knuckles[1] + side, b.tips[1] + side)};
        });
    case 7: // move the thumb away from the hand
    {
        HandPose to = pose(Gesture::open);
        to.thumbAngle = 66;
        return handMove(pose(Gesture::together), to, style, [&](const HandPoints& a, const HandPoints& b) {
            return std::vector{swingArrow(a.knuckles[0] + (a.wrist - a.knuckles[0]) * 0.6, a.tips[0], b.tips[0], 26)};
        });
    }
    case 8: // bend the little finger
        return handMove(pose(Gesture::open), pose(Gesture::bentLittle), style, [&](const HandPoints& a, const HandPoints& b) {
            const QPointF side = -thumbSide(a) * 28;
            return std::vector{bentArrow(a.tips[4] + side, b.tips[4] + side, -30)};
        });
    default: // turn the forearm: the hand turns over
        return handMove(pose(Gesture::relaxed), pose(Gesture::relaxed), style,
                        [&](const HandPoints& a, const HandPoints&) {
                            return std::vector{ellipticArc(a.wrist + QPointF(0, 36), 78, 24, 120, 420)};
                        },
                        false);
    }
}

Scene handPicture(bool phase1, bool easy, int i)
{
    static constexpr std::array<HandEntry, 10> stillEasy = {{
        {Gesture::relaxed, false, 0},   {Gesture::open, false, -10},   {Gesture::spread, false, 8},
        {Gesture::together, false, 0},  {Gesture::open, true, 0},      {Gesture::relaxed, true, 10},
        {Gesture::point, false, 0},     {Gesture::peace, false, -6},   {Gesture::spread, true, -8},
        {Gesture::fist, false, 0},
    }};
    static constexpr std::array<HandEntry, 10> stillNormal = {{
        {Gesture::open, false, 90},     {Gesture::relaxed, true, 150}, {Gesture::fist, true, -60},
        {Gesture::point, true, 200},    {Gesture::spread, false, 180}, {Gesture::together, true, -100},
        {Gesture::hook, false, 45},     {Gesture::peace, true, 120},   {Gesture::relaxed, false, -135},
        {Gesture::fist, false, 70},
    }};
    static constexpr std::array<qreal, 10> movingTurn = {70, -120, 150, -60, 200, 100, -150, 45, -80, 160};
    static constexpr std::array<bool, 10> movingPalm = {true, true, false, true, false, true, true, false, true, true};

    const auto at = static_cast<std::size_t>(i);
    const HandStyle style = handStyle(i);
    if (phase1)
        return handStill(easy ? stillEasy[at] : stillNormal[at], style);
    if (easy)
        return {handMovement(i, false, style), 0};
    return {handMovement(i, movingPalm[at], style), movingTurn[at]};
}

// Feet -----------------------------------------------------------------

struct FootEntry {
    FootView view;
    qreal spread;
    qreal curl;
    qreal rotation;
};

Figure footMove(const FootPose& from, const FootPose& to, const FootStyle& style,
                const std::function<std::vector<QPainterPath>(const FootPoints&, const FootPoints&)>& arrows,
                bool ghost = true)
{
    FootPoints a, b;
    const Figure before = drawFoot(from, style, &a);
    Figure figure;
    if (ghost)
        figure.addGhost(before);
    figure.append(drawFoot(to, style, &b));
    for (const QPainterPath& arrow : arrows(a, b))
        figure.addArrow(arrow);
    return figure;
}

Figure footMovement(int i, FootView view, const FootStyle& style)
{
    FootPose rest;
    rest.view = view;
    // a foot that stands is drawn on the floor; one that turns at the ankle hangs free
    rest.floor = i == 4 || i == 7 || i == 9;
    FootPose to = rest;
    switch (i) {
    case 0: // lift the foot toward the shin
    case 1: // point the foot down
        to.ankle = i == 0 ? 22 : -28;
        return footMove(rest, to, style, [](const FootPoints& a, const FootPoints& b) {
            return std::vector{swingArrow(a.ankle, a.bigToe, b.bigToe, 30)};
        });
    case 2: // curl the toes
        to.toeCurl = 1;
        return footMove(rest, to, style, [](const FootPoints& a, const FootPoints& b) {
            const QPointF side = normalised(a.bigToe - a.littleToe) * 34;
            return std::vector{bentArrow(a.bigToe + side, b.bigToe + side, 24)};
        });
    case 3: // spread the toes
        to.toeSpread = 14;
        return footMove(rest, to, style, [](const FootPoints& a, const FootPoints& b) {
            const QPointF forward = normalised(a.toes - a.heel) * 24;
            return std::vector{straightArrow(a.bigToe + forward, away(b.bigToe + forward, a.bigToe + forward, 26)),
                               straightArrow(a.littleToe + forward, away(b.littleToe + forward, a.littleToe + forward, 26))};
        });
    case 4: // lift the toes
    case 9:
        to.toesLift = i == 4 ? 32 : 26;
        return footMove(rest, to, style, [](const FootPoints& a, const FootPoints& b) {
            return std::vector{swingArrow(a.ball, a.bigToe, b.bigToe, 22)};
        });
    case 5: // turn the foot in, toward the big toe's side
    case 6: // and out
        to.swing = i == 5 ? 16 : -16;
        return footMove(rest, to, style, [](const FootPoints& a, const FootPoints& b) {
            return std::vector{swingArrow(a.ankle, a.toes, b.toes, 30)};
        });
    case 7: // rise onto the ball of the foot
        to.heelRaise = 24;
        return footMove(rest, to, style, [](const FootPoints& a, const FootPoints& b) {
            const QPointF back = normalised(a.heel - a.ball) * 36;
            return std::vector{bentArrow(a.heel + back, b.heel + back, 10)};
        });
    default: // circle the foot at the ankle
        return footMove(rest, rest, style,
                        [](const FootPoints& a, const FootPoints&) {
                            return std::vector{ellipticArc(a.toes + QPointF(0, 24), 86, 36, 40, 370)};
                        },
                        false);
    }
}

Scene footPicture(bool phase1, bool easy, int i)
{
    static constexpr std::array<FootEntry, 10> stillEasy = {{
        {FootView::top, 0, 0, 0},     {FootView::top, 10, 0, -8},   {FootView::top, 0, 0, 10},
        {FootView::sole, 0, 0, 0},    {FootView::top, 0, 0.45, 0},  {FootView::top, 6, 0, -12},
        {FootView::sole, 8, 0, 6},    {FootView::top, 4, 0, 5},     {FootView::sole, 0, 0, -6},
        {FootView::top, 12, 0, 0},
    }};
    static constexpr std::array<FootEntry, 10> stillNormal = {{
        {FootView::inner, 0, 0, 0},   {FootView::outer, 0, 0, 0},   {FootView::top, 6, 0, 120},
        {FootView::sole, 0, 0, -90},  {FootView::inner, 0, 0, 30},  {FootView::outer, 0, 0, -40},
        {FootView::top, 0, 0.4, 200}, {FootView::sole, 10, 0, 150}, {FootView::inner, 0, 0, -160},
        {FootView::top, 8, 0, -60},
    }};
    // the view each movement is seen from: easy, then normal, with the normal turn
    static constexpr std::array<FootView, 10> movingEasy = {FootView::inner, FootView::inner, FootView::top,
                                                            FootView::top,   FootView::inner, FootView::top,
                                                            FootView::top,   FootView::outer, FootView::top,
                                                            FootView::outer};
    static constexpr std::array<FootView, 10> movingNormal = {FootView::outer, FootView::outer, FootView::sole,
                                                              FootView::sole,  FootView::inner, FootView::top,
                                                              FootView::sole,  FootView::inner, FootView::sole,
                                                              FootView::inner};
    static constexpr std::array<qreal, 10> movingTurn = {40, -30, 150, -100, 180, 120, -60, 30, 200, -45};

    const auto at = static_cast<std::size_t>(i);
    const FootStyle style = footStyle(i);
    if (phase1) {
        const FootEntry& e = easy ? stillEasy[at] : stillNormal[at];
        FootPose pose;
        pose.view = e.view;
        pose.toeSpread = e.spread;
        pose.toeCurl = e.curl;
        pose.floor = true;
        return {drawFoot(pose, style), e.rotation};
    }
    if (easy)
        return {footMovement(i, movingEasy[at], style), 0};
    return {footMovement(i, movingNormal[at], style), movingTurn[at]};
}

// Faces ----------------------------------------------------------------

Figure faceMovement(int i, qreal turn, qreal strength, const FaceStyle& style)
{
    FacePose pose;
    pose.turn = turn;
    const bool browUp = i == 0;
    const bool eyeShut = i == 1 || i == 8;
    const bool smile = i == 2 || i == 8;
    const bool frown = i == 6 || i == 9;
    const bool down = i == 5 || i == 9;
    pose.browRaise = browUp ? strength : 0;
    pose.eyeClose = eyeShut ? 1 : 0;
    pose.smile = smile ? strength : 0;
    pose.cheekPuff = i == 3 ? strength : 0;
    pose.mouthShift = i == 4 ? strength : 0;
    pose.cornerDown = down ? strength : 0;
    pose.frown = frown ? strength : 0;
    pose.noseWrinkle = i == 7 ? strength : 0;

    FacePoints p;
    Figure figure = drawFace(pose, style, &p);
    if (browUp)
        figure.addArrow(straightArrow(p.brow + QPointF(0, -16), p.brow + QPointF(0, -48)));
    if (eyeShut)
        figure.addArrow(bentArrow(p.eye + QPointF(34, -22), p.eye + QPointF(34, 8), -10));
    if (smile)
        figure.addArrow(bentArrow(p.mouthCorner + QPointF(12, 16), p.mouthCorner + QPointF(26, -16), 10));
    if (i == 3)
        figure.addArrow(straightArrow(p.cheek + QPointF(10, 0), p.cheek + QPointF(48, 0)));
    if (i == 4)
        figure.addArrow(straightArrow(p.mouth + QPointF(-20, 30), p.mouth + QPointF(30, 30)));
    if (down)
        figure.addArrow(straightArrow(p.mouthCorner + QPointF(14, -4), p.mouthCorner + QPointF(16, 28)));
    if (frown)
        figure.addArrow(bentArrow(p.brow + QPointF(26, -34), p.brow + QPointF(0, -14), 8));
    if (i == 7)
        figure.addArrow(straightArrow(p.noseTip + QPointF(30, 14), p.noseTip + QPointF(28, -22)));
    return figure;
}

Scene facePicture(bool phase1, bool easy, int i)
{
    struct Turned {
        qreal turn, nod, rotation;
    };
    static constexpr std::array<Turned, 10> stillEasy = {{
        {0.6, 0, 0},     {0.7, 0.2, 0},    {0.55, 0, 5},   {0.8, 0, 0},    {0.65, -0.2, 0},
        {0.6, 0, 0},     {0.75, 0, -5},    {0.6, 0.3, 0},  {0.7, 0, 0},    {0.55, 0, 8},
    }};
    static constexpr std::array<Turned, 10> stillNormal = {{
        {0.35, 0, 25},   {0.4, 0, -30},    {0.3, 0.4, 0},  {0.45, 0, 180}, {0.3, 0, 90},
        {0.4, -0.4, -15}, {0.35, 0, -90},  {0.5, 0, 150},  {0.3, 0, 40},   {0.4, 0.2, -160},
    }};
    static constexpr std::array<Turned, 10> movingNormal = {{
        {0.3, 0, 25},    {-0.3, 0, -30},   {0.25, 0, 40},  {-0.35, 0, -20}, {0.3, 0, 180},
        {-0.25, 0, 60},  {0.3, 0, -45},    {-0.3, 0, 150}, {0.35, 0, -120}, {-0.3, 0, 30},
    }};

    const auto at = static_cast<std::size_t>(i);
    const FaceStyle style = faceStyle(i);
    if (phase1) {
        const Turned& t = easy ? stillEasy[at] : stillNormal[at];
        FacePose pose;
        pose.turn = t.turn;
        pose.nod = t.nod;
        return {drawFace(pose, style), t.rotation};
    }
    if (easy)
        return {faceMovement(i, 0, 1, style), 0};
    const Turned& t = movingNormal[at];
    return {faceMovement(i, t.turn, 0.75, style), t.rotation};
}

// The patient's own photographs: the same hand on the patient's table ----

Scene patientPicture(bool easy, int i)
{
    static constexpr std::array<HandEntry, 10> easySet = {{
        {Gesture::open, false, 4},      {Gesture::relaxed, false, -6}, {Gesture::together, true, 0},
        {Gesture::spread, false, 0},    {Gesture::relaxed, true, -4},  {Gesture::fist, false, 6},
        {Gesture::open, true, 8},       {Gesture::hook, false, 0},     {Gesture::point, false, -8},
        {Gesture::together, false, 10},
    }};
    static constexpr std::array<HandEntry, 10> normalSet = {{
        {Gesture::open, true, 80},      {Gesture::relaxed, false, -110}, {Gesture::fist, true, 160},
        {Gesture::spread, false, -70},  {Gesture::hook, true, 200},      {Gesture::together, false, 130},
        {Gesture::point, false, -150},  {Gesture::peace, true, 60},      {Gesture::relaxed, true, -40},
        {Gesture::open, false, 230},
    }};
    const HandStyle patient{QColor(230, 186, 152), QColor(122, 58, 84)};
    return handStill((easy ? easySet : normalSet)[static_cast<std::size_t>(i)], patient);
}

// Backgrounds ------------------------------------------------------------

void paintTable(QImage& picture, int i)
{
    paintBackground(picture, QColor(186, 138, 92), QColor(150, 104, 64));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator grain(static_cast<quint32>(1000 + i));
    for (int line = 0; line < 46; ++line) {
        const qreal y = grain.bounded(pictureHeight);
        const qreal wave = 2 + grain.bounded(6);
        const qreal length = 120 + grain.bounded(400);
        // the grain is the same on both halves so that the right-side
        // pictures are exact mirror images of the left-side ones
        QPainterPath path;
        for (qreal x = -20; x <= pictureWidth + 20; x += 20) {
            const QPointF at(x, y + wave * std::sin(std::abs(x - pictureWidth / 2.0) / length * 6));
            if (x < 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        painter.setPen(QPen(QColor(92, 58, 30, 26 + grain.bounded(30)), 1 + grain.bounded(3)));
        painter.drawPath(path);
    }
}

void paintBackdrop(QImage& picture, Family family, int i)
{
    static const std::array<std::array<QColor, 2>, 3> tints = {{
        {QColor(226, 236, 246), QColor(192, 210, 230)},
        {QColor(232, 242, 226), QColor(198, 220, 194)},
        {QColor(250, 238, 224), QColor(232, 212, 192)},
    }};
    if (family == Family::patient) {
        paintTable(picture, i);
        return;
    }
    const auto& tint = tints[static_cast<std::size_t>(family)];
    const int shade = 100 + (i % 3) * 3;
    paintBackground(picture, tint[0].lighter(shade), tint[1].lighter(shade));
}

} // namespace

bool setHasPictures(int set)
{
    // PatientMvtfacile and PatientMvt
    return set != 14 && set != 15;
}

QImage demoPicture(int set, int number)
{
    const auto family = static_cast<Family>(set / 4);
    const bool phase1 = set % 4 < 2;
    const bool easy = set % 2 == 0;
    const int i = (number - 1) % 10;
    const bool mirrored = number > 10;

    Scene scene;
    switch (family) {
    case Family::hands:
        scene = handPicture(phase1, easy, i);
        break;
    case Family::feet:
        scene = footPicture(phase1, easy, i);
        break;
    case Family::face:
        scene = facePicture(phase1, easy, i);
        break;
    case Family::patient:
        scene = patientPicture(easy, i);
        break;
    }

    QImage picture(pictureWidth, pictureHeight, QImage::Format_RGB32);
    paintBackdrop(picture, family, i);
    drawFigure(picture, scene.figure, Placement{scene.rotation, mirrored}, figureArea);
    drawMark(picture, {set, number});
    return picture;
}

QImage closingPicture()
{
    QImage picture(pictureWidth, pictureHeight, QImage::Format_RGB32);
    paintBackground(picture, QColor(255, 226, 140), QColor(255, 168, 96));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(pictureWidth / 2.0, pictureHeight / 2.0);

    // rays of light from the middle
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 46));
    for (int ray = 0; ray < 16; ++ray) {
        const qreal a = ray * 22.5;
        QPolygonF wedge;
        wedge << centre << centre + unit(a - 5) * 600 << centre + unit(a + 5) * 600;
        painter.drawPolygon(wedge);
    }

    // confetti
    QRandomGenerator confetti(2006);
    const std::array<QColor, 6> colours = {QColor(230, 60, 80), QColor(40, 140, 220), QColor(60, 180, 90),
                                           QColor(250, 200, 40), QColor(150, 80, 200), QColor(255, 120, 40)};
    for (int piece = 0; piece < 90; ++piece) {
        const QPointF at(confetti.bounded(pictureWidth), confetti.bounded(pictureHeight));
        painter.save();
        painter.translate(at);
        painter.rotate(confetti.bounded(180));
        painter.setBrush(colours[static_cast<std::size_t>(confetti.bounded(6))]);
        painter.drawRoundedRect(QRectF(-6, -3, 12, 6), 2, 2);
        painter.restore();
    }

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(132);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("Bravo !"));
    const QRectF box = text.boundingRect();
    text.translate(centre - box.center());
    painter.setBrush(QColor(120, 50, 10, 70));
    painter.drawPath(text.translated(0, 8));
    painter.setPen(QPen(QColor(170, 70, 20), 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(text);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255));
    painter.drawPath(text);
    return picture;
}

} // namespace demo

#include "hand.h"

#include <cmath>
#include <numbers>

namespace demo {
namespace {

constexpr qreal degree = std::numbers::pi / 180.0;

struct FingerBuild {
    QPointF knuckle;
    std::array<qreal, 3> lengths;
    qreal width;
};

// Index, middle, ring and little finger of a left hand seen from the back.
constexpr std::array<FingerBuild, 4> fingerBuild = {{
    {{42, -150}, {52, 31, 25}, 27},
    {{14, -157}, {58, 36, 27}, 28},
    {{-14, -154}, {54, 34, 26}, 26},
    {{-40, -143}, {42, 26, 22}, 22},
}};

const QPointF thumbBase(30, -22);
constexpr std::array<qreal, 3> thumbLengths = {54, 40, 34};
constexpr std::array<qreal, 4> thumbWidths = {46, 36, 32, 29};
const QPointF wristPivot(0, -8);

QPainterPath palmOutline()
{
    return smoothClosed({{-38, 0}, {-44, -30}, {-50, -70}, {-54, -110}, {-52, -135}, {-40, -150},
                         {-15, -160}, {15, -163}, {42, -156}, {56, -140}, {58, -110}, {50, -70},
                         {40, -35}, {36, 0}, {0, 4}});
}

QPainterPath forearm()
{
    QPainterPath arm;
    arm.moveTo(-38, -4);
    arm.lineTo(36, -4);
    arm.lineTo(45, 118);
    arm.lineTo(-47, 118);
    arm.closeSubpath();
    return arm;
}

QColor mix(const QColor& a, const QColor& b, qreal t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - t) + b.redF() * t),
                            static_cast<float>(a.greenF() * (1 - t) + b.greenF() * t),
                            static_cast<float>(a.blueF() * (1 - t) + b.blueF() * t));
}

FingerPose finger(qreal angle, qreal f0 = 0, qreal f1 = 0, qreal f2 = 0)
{
    return {angle, {f0, f1, f2}};
}

// One segment of a finger as seen: from a to b; behind means it has turned
// back past the knuckle (toward the wrist), so that it lies over the palm when
// the palm faces the viewer and is hidden when the back does.
struct Segment {
    QPointF a, b;
    qreal wa, wb;
    bool behind;
    qreal facing; // cosine of the segment's tilt out of the picture
};

std::array<Segment, 3> fingerSegments(const FingerBuild& build, const FingerPose& pose)
{
    std::array<Segment, 3> segments{};
    const QPointF dir = unit(pose.angle);
    QPointF at = build.knuckle;
    qreal bend = 0, width = build.width;
    for (std::size_t j = 0; j < 3; ++j) {
        bend += pose.flex[j];
        const qreal facing = std::cos(bend * degree);
        const QPointF next = at + dir * build.lengths[j] * facing;
        segments[j] = {at, next, width, width * 0.92, facing < -0.05, facing};
        at = next;
        width *= 0.92;
    }
    return segments;
}

} // namespace

HandPose handPose(Gesture gesture, bool palm)
{
    HandPose pose;
    pose.palm = palm;
    const FingerPose curled = finger(0, 70, 100, 70);
    const auto curl = [&](qreal angle) { return FingerPose{angle, curled.flex}; };
    switch (gesture) {
    case Gesture::relaxed:
        pose.fingers = {finger(7, 0, 8, 5), finger(1, 0, 10, 5), finger(-5, 0, 10, 6), finger(-12, 0, 12, 6)};
        pose.thumbAngle = 36;
        break;
    case Gesture::open:
        pose.fingers = {finger(6), finger(0), finger(-6), finger(-13)};
        pose.thumbAngle = 46;
        pose.thumbBend = 4;
        break;
    case Gesture::spread:
        pose.fingers = {finger(17), finger(3), finger(-12), finger(-28)};
        pose.thumbAngle = 58;
        pose.thumbBend = 0;
        break;
    case Gesture::together:
        pose.fingers = {finger(2), finger(0), finger(-2), finger(-5)};
        pose.thumbAngle = 18;
        pose.thumbBend = 8;
        break;
    case Gesture::fist:
        pose.fingers = {curl(4), curl(0), curl(-4), curl(-8)};
        pose.thumbAngle = -28;
        pose.thumbBend = 30;
        pose.thumbAcross = true;
        break;
    case Gesture::point:
        pose.fingers = {finger(3), curl(0), curl(-4), curl(-8)};
        pose.thumbAngle = -24;
        pose.thumbBend = 30;
        pose.thumbAcross = true;
        break;
    case Gesture::peace:
        pose.fingers = {finger(13), finger(-6), curl(-4), curl(-8)};
        pose.thumbAngle = -30;
        pose.thumbBend = 30;
        pose.thumbAcross = true;
        break;
    case Gesture::hook:
        pose.fingers = {finger(5, 0, 75, 60), finger(0, 0, 75, 60), finger(-5, 0, 75, 60), finger(-11, 0, 75, 60)};
        pose.thumbAngle = 34;
        break;
    case Gesture::bentIndex:
        pose.fingers = {finger(6, 45, 55, 30), finger(0), finger(-6), finger(-13)};
        pose.thumbAngle = 44;
        pose.thumbBend = 4;
        break;
    case Gesture::bentLittle:
        pose.fingers = {finger(6), finger(0), finger(-6), finger(-13, 45, 55, 30)};
        pose.thumbAngle = 44;
        pose.thumbBend = 4;
        break;
    }
    return pose;
}

Figure drawHand(const HandPose& pose, const HandStyle& style, HandPoints* points)
{
    const QColor tone = style.skin;
    const QColor crease = tone.darker(140);
    const QColor nail = mix(tone, QColor(255, 228, 228), 0.45);
    const QTransform bend = rotationAbout(wristPivot, pose.wrist);

    HandPoints marks;
    marks.wrist = QPointF(0, 0);
    marks.palmCentre = bend.map(QPointF(0, -90));

    QPainterPath body = forearm().united(bend.map(palmOutline()));

    std::vector<QPainterPath> overPalm; // segments curled over a palm that faces the viewer
    Figure details;

    // Fingers.
    for (std::size_t f = 0; f < 4; ++f) {
        const auto segments = fingerSegments(fingerBuild[f], pose.fingers[f]);
        const QPointF root = fingerBuild[f].knuckle - unit(pose.fingers[f].angle) * 14;
        marks.knuckles[f + 1] = bend.map(fingerBuild[f].knuckle);
        marks.tips[f + 1] = bend.map(segments[2].b);
        bool hidden = false;
        for (std::size_t j = 0; j < 3; ++j) {
            const Segment& s = segments[j];
            const QPointF a = bend.map(j == 0 ? root : s.a);
            const QPointF b = bend.map(s.b);
            if (s.behind) {
                if (pose.palm)
                    overPalm.push_back(capsule(bend.map(s.a), b, s.wa, s.wb));
                else
                    hidden = true;
            } else if (!hidden) {
                body = body.united(capsule(a, b, j == 0 ? s.wa * 1.05 : s.wa, s.wb));
            }
        }
        const Segment& tip = segments[2];
        const QPointF dir = bend.map(tip.b) - bend.map(tip.a);
        const qreal seen = std::hypot(dir.x(), dir.y());
        if (!pose.palm && !hidden && tip.facing > 0.35) {
            const QPointF centre = bend.map(tip.a + (tip.b - tip.a) * 0.62);
            details.addSolid(orientedOval(centre, dir, seen * 0.62 + 5, tip.wb * 0.7), nail, tone.darker(150));
        }
        const Segment& middle = segments[1];
        if (!hidden && !middle.behind && middle.facing > 0.5 && segments[0].facing > 0.5) {
            const QPointF across = bend.map(middle.b) - bend.map(middle.a);
            if (pose.palm) {
                // the creases of the palm side at both finger joints and the finger's base
                details.addLine(crossLine(bend.map(middle.a), across, middle.wa * 0.36, -1.5), crease, 1.3);
                details.addLine(crossLine(bend.map(middle.b), across, middle.wb * 0.34, -1.5), crease, 1.3);
                details.addLine(crossLine(bend.map(segments[0].a + (segments[0].b - segments[0].a) * 0.18),
                                          across, segments[0].wa * 0.36, 2), crease, 1.3);
            } else {
                // wrinkles over the middle joint
                for (const qreal shift : {-3.0, 3.0})
                    details.addLine(crossLine(bend.map(middle.a) + normalised(across) * shift, across,
                                              middle.wa * 0.24, 2),
                                    tone.darker(128), 1.1);
            }
        }
        if (!pose.palm) {
            // tendon ridges from the knuckles toward the wrist
            const QPointF k = fingerBuild[f].knuckle;
            details.addLine(bend.map(smoothOpen({k + QPointF(0, 16), QPointF(k.x() * 0.6, -90),
                                                 QPointF(k.x() * 0.3, -30)})),
                            tone.darker(112), 1.6);
        }
    }

    // Thumb: its first bone makes the ball of the thumb, the two others bend
    // toward the fingers.
    {
        const std::array<qreal, 3> angles = {pose.thumbAngle, pose.thumbAngle - pose.thumbBend * 0.6,
                                             pose.thumbAngle - pose.thumbBend * 1.5};
        std::array<QPointF, 4> joint{thumbBase, {}, {}, {}};
        for (std::size_t j = 0; j < 3; ++j)
            joint[j + 1] = joint[j] + unit(angles[j]) * thumbLengths[j];
        marks.knuckles[0] = bend.map(joint[1]);
        marks.tips[0] = bend.map(joint[3]);
        body = body.united(bend.map(capsule(joint[0], joint[1], thumbWidths[0], thumbWidths[1])));
        // the web of skin between the thumb and the index
        if (!pose.thumbAcross) {
            const QPointF top(52, -128);
            QPainterPath web;
            web.moveTo(top);
            web.quadTo((top + joint[1]) / 2 + QPointF(-12, -2), joint[1] + QPointF(-6, -8));
            web.lineTo(joint[1] + QPointF(-10, 12));
            web.lineTo(QPointF(36, -60));
            web.closeSubpath();
            body = body.united(bend.map(web));
        }
        for (std::size_t j = 1; j < 3; ++j) {
            const QPainterPath part = bend.map(capsule(joint[j], joint[j + 1], thumbWidths[j], thumbWidths[j + 1]));
            if (!pose.thumbAcross)
                body = body.united(part);
            else if (pose.palm)
                overPalm.push_back(part);
        }
        if (!pose.palm && !pose.thumbAcross) {
            const QPointF dir = bend.map(joint[3]) - bend.map(joint[2]);
            details.addSolid(orientedOval(bend.map(joint[2] + (joint[3] - joint[2]) * 0.62) +
                                              QPointF(-dir.y(), dir.x()) * 0.06,
                                          dir, thumbLengths[2] * 0.5, thumbWidths[3] * 0.55),
                             nail, tone.darker(150));
        }
    }

    if (pose.palm) {
        // heart, head and life lines, and the wrist creases
        details.addLine(bend.map(smoothOpen({{-54, -118}, {-30, -126}, {-5, -132}, {16, -142}, {26, -150}})), crease, 1.7);
        details.addLine(bend.map(smoothOpen({{48, -104}, {20, -102}, {-12, -96}, {-36, -86}})), crease, 1.7);
        details.addLine(bend.map(smoothOpen({{50, -106}, {28, -84}, {20, -50}, {24, -14}})), crease, 1.7);
        details.addLine(smoothOpen({{-30, 2}, {0, 6}, {30, 2}}), crease, 1.4);
        details.addLine(smoothOpen({{-32, 12}, {0, 16}, {32, 12}}), crease, 1.2);
    }

    Figure hand;
    hand.addSkin(body, tone);
    for (const QPainterPath& part : overPalm)
        hand.addSkin(part, tone);
    hand.append(details);

    // Sleeve cuff with knitted ribs.
    QPainterPath cuff;
    cuff.addRoundedRect(QRectF(-60, 72, 118, 64), 12, 12);
    hand.addSolid(cuff, style.sleeve, style.sleeve.darker(150));
    for (int i = -5; i <= 5; ++i) {
        QPainterPath rib;
        rib.moveTo(i * 10 - 1, 80);
        rib.lineTo(i * 10 - 1, 128);
        hand.addLine(rib, style.sleeve.darker(118), 2);
    }

    if (pose.palm) {
        const QTransform turn = QTransform::fromScale(-1, 1);
        for (QPointF& p : marks.tips)
            p = turn.map(p);
        for (QPointF& p : marks.knuckles)
            p = turn.map(p);
        marks.palmCentre = turn.map(marks.palmCentre);
        hand = hand.transformed(turn);
    }
    if (points)
        *points = marks;
    return hand;
}

} // namespace demo

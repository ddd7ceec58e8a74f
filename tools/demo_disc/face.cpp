#include "face.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace demo {
namespace {

constexpr qreal degree = std::numbers::pi / 180.0;
constexpr qreal headRadius = 100;

// The head is treated as a drum turned about its upright axis: a feature at
// angle a from the front (+ toward the person's left) shows at
// x = R sin(a + turn), and faces the viewer by cos(a + turn).
struct Drum {
    qreal turn; // degrees
    qreal lift; // vertical shift of the features when nodding

    qreal x(qreal a, qreal r = headRadius) const { return r * std::sin((a + turn) * degree); }
    qreal facing(qreal a) const { return std::cos((a + turn) * degree); }
    QPointF at(qreal a, qreal y, qreal r = headRadius) const { return {x(a, r), y + lift}; }
};

QColor mix(const QColor& a, const QColor& b, qreal t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - t) + b.redF() * t),
                            static_cast<float>(a.greenF() * (1 - t) + b.greenF() * t),
                            static_cast<float>(a.blueF() * (1 - t) + b.blueF() * t));
}

QPainterPath ellipse(QPointF c, qreal rx, qreal ry)
{
    QPainterPath p;
    p.addEllipse(c, rx, ry);
    return p;
}

QPainterPath headOutline(const Drum& drum, const FacePose& pose)
{
    // The jaw follows the turn more than the skull does; a puffed cheek
    // bulges the outline on the person's left.
    const qreal jaw = drum.x(0) * 0.45;
    const qreal puff = pose.cheekPuff * 16;
    const qreal chinY = 132 + pose.nod * -8;
    return smoothClosed({{0, -132},
                         {72, -112},
                         {100, -50},
                         {100 + puff * 0.3, 10},
                         {92 + jaw * 0.3 + puff, 62},
                         {70 + jaw * 0.7 + puff * 0.6, 106},
                         {30 + jaw, chinY - 4},
                         {jaw, chinY},
                         {-30 + jaw, chinY - 4},
                         {-70 + jaw * 0.7, 106},
                         {-92 + jaw * 0.3, 62},
                         {-100, 10},
                         {-100, -50},
                         {-72, -112}});
}

void addHair(Figure& behind, Figure& front, const FaceStyle& style, const Drum& drum)
{
    const QColor hair = style.hair;
    const qreal shift = drum.x(0) * 0.35;
    switch (style.hairStyle) {
    case HairStyle::bald:
        front.addLine(smoothOpen({{-96, -40}, {-92, -70}}), hair, 6);
        front.addLine(smoothOpen({{96, -40}, {92, -70}}), hair, 6);
        return;
    case HairStyle::longHair:
        behind.addSolid(smoothClosed({{0, -150}, {96, -128}, {124, -40}, {126, 80}, {118, 170}, {60, 180},
                                      {-60, 180}, {-118, 170}, {-126, 80}, {-124, -40}, {-96, -128}}),
                        hair, hair.darker(140));
        break;
    case HairStyle::curly:
        for (int i = 0; i < 13; ++i) {
            const qreal a = -100 + i * (200.0 / 12);
            const QPointF c(std::sin(a * degree) * 104, -30 - std::cos(a * degree) * 112);
            behind.addSolid(ellipse(c, 26, 26), hair, hair.darker(140));
        }
        break;
    case HairStyle::shortHair:
        break;
    }
    front.addSolid(smoothClosed({{-104, 0}, {-110, -60}, {-84, -124}, {0, -148}, {84, -124}, {110, -60},
                                 {104, 0}, {92, -32}, {78 + shift * 0.4, -74}, {shift, -92},
                                 {-78 + shift * 0.4, -74}, {-92, -32}}),
                   hair, hair.darker(140));
}

} // namespace

Figure drawFace(const FacePose& pose, const FaceStyle& style, FacePoints* points)
{
    const Drum drum{pose.turn * 42, -pose.nod * 18};
    const QColor tone = style.skin;
    const QColor line = tone.darker(165);
    const QColor browColour = style.hair.darker(115);

    Figure behind, front, face;

    // Shoulders and shirt, neck.
    face.addSolid(smoothClosed({{-56, 150}, {56, 150}, {140, 178}, {166, 222}, {168, 246}, {-168, 246},
                                {-166, 222}, {-140, 178}}),
                  style.shirt, style.shirt.darker(150));
    face.addLine(smoothOpen({{-46, 156}, {0, 212}, {46, 156}}), style.shirt.darker(140), 2.5);
    QPainterPath neck = capsule(QPointF(drum.x(0) * 0.2, 60), QPointF(0, 170), 92, 96);

    // Ears: each shows while it has not turned far behind the head.
    QPainterPath ears;
    for (const qreal side : {-1.0, 1.0}) {
        const qreal a = side * 90;
        if (drum.facing(a) > -0.4) {
            const qreal x = drum.x(a, 96);
            ears.addPath(ellipse(QPointF(x, 4 + drum.lift * 0.5), 15 + 6 * std::abs(drum.facing(a)), 28));
        }
    }

    const QPainterPath head = headOutline(drum, pose);
    addHair(behind, front, style, drum);
    face.append(behind);
    face.addSkin(neck.united(ears).united(head), tone);
    // the ears' inner fold
    for (const qreal side : {-1.0, 1.0}) {
        const qreal a = side * 90;
        if (drum.facing(a) > -0.4) {
            const qreal x = drum.x(a, 96);
            face.addLine(smoothOpen({{x, -12 + drum.lift * 0.5}, {x + side * 6, 4 + drum.lift * 0.5},
                                     {x, 20 + drum.lift * 0.5}}),
                         tone.darker(130), 1.6);
        }
    }
    // a faint warmth on both cheeks
    for (const qreal side : {-1.0, 1.0}) {
        const qreal a = side * 40;
        const qreal puff = side > 0 ? pose.cheekPuff : 0;
        if (drum.facing(a) > 0.2)
            face.addSolid(ellipse(drum.at(a, 42, headRadius * (0.95 + puff * 0.12)), 20 * drum.facing(a) + puff * 8,
                                  14 + puff * 6),
                          mix(tone, QColor(235, 120, 120), 0.18 + puff * 0.12));
    }

    FacePoints marks;
    // Eyes and brows.
    for (const qreal side : {-1.0, 1.0}) {
        const bool left = side > 0;
        const qreal a = side * 30;
        const qreal seen = std::max(0.15, drum.facing(a) * 1.15);
        const QPointF eye = drum.at(a, -8, 96);
        const qreal close = left ? pose.eyeClose : 0;
        const qreal openHeight = 9 * (1 - close);
        if (openHeight > 1.5) {
            face.addSolid(ellipse(eye, 17 * seen, openHeight), QColor(250, 250, 250), line);
            const QPointF iris = eye + QPointF(std::sin(drum.turn * degree) * 5, 0);
            face.addSolid(ellipse(iris, std::min(8.0, 8 * seen + 1), std::min(8.0, openHeight)), style.iris);
            face.addSolid(ellipse(iris, std::min(4.0, 4 * seen + 0.5), std::min(4.0, openHeight * 0.5)),
                          QColor(25, 25, 30));
            face.addSolid(ellipse(iris + QPointF(0, -3.5), 1.6, 1.6), QColor(255, 255, 255));
        } else {
            // closed lid with lashes
            face.addLine(smoothOpen({eye + QPointF(-17 * seen, -1), eye + QPointF(0, 5), eye + QPointF(17 * seen, -1)}),
                         line, 2.4);
            for (const qreal t : {-0.6, 0.0, 0.6})
                face.addLine(smoothOpen({eye + QPointF(17 * seen * t, 4.5), eye + QPointF(17 * seen * t * 1.15, 9)}),
                             line, 1.6);
        }
        // upper lid crease
        face.addLine(smoothOpen({eye + QPointF(-18 * seen, -4), eye + QPointF(0, -13 + close * 6),
                                 eye + QPointF(18 * seen, -4)}),
                     line, 1.6);
        const qreal raise = left ? pose.browRaise * 16 : 0;
        const qreal frown = left ? pose.frown : 0;
        const QPointF inner = drum.at(side * 12, -40 - raise * 0.6 + frown * 8, 96);
        const QPointF peak = drum.at(side * 30, -50 - raise * 1.2 + frown * 4, 96);
        const QPointF outer = drum.at(side * 46, -42 - raise * 0.8, 96);
        if (drum.facing(side * 46) > 0)
            face.addLine(smoothOpen({inner + QPointF(side * frown * 4, 0), peak, outer}), browColour, 7);
        if (left) {
            marks.brow = peak;
            marks.eye = eye;
        }
        if (left && raise > 0) {
            // lines on the forehead above a raised brow
            face.addLine(smoothOpen({drum.at(12, -76, 96), drum.at(28, -82, 96), drum.at(44, -76, 96)}),
                         tone.darker(125), 1.4);
        }
    }
    if (style.glasses) {
        const QColor frame(40, 40, 50);
        for (const qreal side : {-1.0, 1.0}) {
            const qreal a = side * 30;
            const qreal seen = std::max(0.2, drum.facing(a));
            QPainterPath lens;
            lens.addRoundedRect(QRectF(-24 * seen, -16, 48 * seen, 32).translated(drum.at(a, -6, 98)), 10, 10);
            face.addLine(lens, frame, 2.5);
        }
        face.addLine(smoothOpen({drum.at(-14, -8, 98), drum.at(0, -14, 100), drum.at(14, -8, 98)}), frame, 2.5);
    }

    // Nose: the bridge, the tip standing out toward where the head turns, the wings.
    {
        const qreal s = std::sin(drum.turn * degree);
        const QPointF root = drum.at(0, -22, 96);
        const QPointF tip = drum.at(0, 40, 96) + QPointF(s * 30, 0);
        const QPointF base = drum.at(0, 50, 96) + QPointF(s * 12, 0);
        if (std::abs(s) > 0.08) {
            // seen turned, the nose's outline stands against the far cheek
            const qreal side = s > 0 ? 1 : -1;
            face.addLine(smoothOpen({root + QPointF(s * 4 - side * 6, 0), root + QPointF(s * 18 - side * 5, 30),
                                     tip + QPointF(-side * 2, -4)}),
                         tone.darker(135), 1.8);
            face.addLine(smoothOpen({tip + QPointF(-side * 4, -6), tip + QPointF(side * 2, 4), base}), line, 1.8);
        } else {
            face.addLine(smoothOpen({tip + QPointF(-7, 4), tip + QPointF(0, 8), tip + QPointF(7, 4)}), line, 1.8);
        }
        for (const qreal side : {-1.0, 1.0}) {
            const qreal a = side * 11;
            if (drum.facing(a) > 0.3) {
                const QPointF wing = drum.at(a, 46, 96) + QPointF(s * 14, 0);
                const qreal flare = side > 0 ? pose.noseWrinkle * 4 : 0;
                face.addLine(smoothOpen({wing + QPointF(-side * 2, -10 - flare), wing + QPointF(side * (6 + flare), -2),
                                         wing + QPointF(-side * 4, 4)}),
                             line, 1.8);
            }
        }
        if (pose.noseWrinkle > 0) {
            for (const qreal y : {-2.0, 6.0, 14.0})
                face.addLine(smoothOpen({drum.at(14, y, 96), drum.at(20, y - 4, 96)}), tone.darker(140), 1.5);
        }
        marks.noseTip = tip;
    }

    // Mouth: the corners sit at +-22 degrees; the left one moves.
    {
        const qreal shift = pose.mouthShift * 12;
        const QPointF right = drum.at(-22 + shift, 84, 96);
        const QPointF left = drum.at(22 + shift * 1.2, 84, 96) +
                             QPointF(pose.smile * 8, -pose.smile * 14 + pose.cornerDown * 12);
        const QPointF middle = drum.at(shift * 0.8, 84, 96) + QPointF(0, -pose.smile * 3);
        const QPointF lipTop = middle + QPointF(0, -9);
        const QPointF lipBottom = middle + QPointF(0, 11);
        const QColor lips = mix(tone, QColor(200, 90, 90), 0.45);
        QPainterPath mouth;
        mouth.moveTo(right);
        mouth.cubicTo(right + QPointF(10, -8), lipTop + QPointF(-14, -2), lipTop + QPointF(-5, 0));
        mouth.quadTo(lipTop + QPointF(0, 3), lipTop + QPointF(5, 0));
        mouth.cubicTo(lipTop + QPointF(14, -2), left + QPointF(-10, -8), left);
        mouth.cubicTo(left + QPointF(-12, 12), lipBottom + QPointF(16, 0), lipBottom);
        mouth.cubicTo(lipBottom + QPointF(-16, 0), right + QPointF(12, 12), right);
        face.addSolid(mouth, lips, lips.darker(140));
        face.addLine(smoothOpen({right, middle + QPointF(-10, 1), middle + QPointF(0, 1.5), middle + QPointF(10, 1), left}),
                     lips.darker(170), 1.8);
        if (pose.smile > 0)
            face.addLine(smoothOpen({left + QPointF(2, -14), left + QPointF(10, -2), left + QPointF(6, 10)}),
                         tone.darker(130), 1.5);
        marks.mouthCorner = left;
        marks.mouth = middle;
    }

    marks.cheek = drum.at(52, 48, headRadius * (1 + pose.cheekPuff * 0.15));

    Figure all;
    all.append(face);
    all.append(front);
    if (points)
        *points = marks;
    return all;
}

} // namespace demo

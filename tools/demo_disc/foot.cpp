#include "foot.h"

#include <array>
#include <cmath>

namespace demo {
namespace {

struct ToeBuild {
    QPointF base;
    qreal angle;  // degrees from up, + toward the big toe
    qreal length;
    qreal width;
    qreal spread; // share of the spread this toe takes
};

// Seen from above: big toe first, little toe last.
constexpr std::array<ToeBuild, 5> toeBuild = {{
    {{28, -196}, 3, 56, 44, 0.6},
    {{-3, -204}, -2, 42, 27, 0},
    {{-21, -196}, -6, 38, 25, -0.4},
    {{-37, -186}, -10, 33, 22, -0.8},
    {{-51, -171}, -17, 27, 20, -1.3},
}};

QColor mix(const QColor& a, const QColor& b, qreal t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - t) + b.redF() * t),
                            static_cast<float>(a.greenF() * (1 - t) + b.greenF() * t),
                            static_cast<float>(a.blueF() * (1 - t) + b.blueF() * t));
}

Figure footFromAbove(const FootPose& pose, const FootStyle& style, FootPoints& marks)
{
    const bool sole = pose.view == FootView::sole;
    const QColor tone = sole ? mix(style.skin, QColor(236, 170, 160), 0.22) : style.skin;
    const QColor crease = tone.darker(135);
    const QColor nail = mix(style.skin, QColor(255, 230, 230), 0.45);

    // Seen from below, the arch leaves the inner edge of the sole hollow.
    const qreal arch = sole ? 14 : 0;
    QPainterPath body = smoothClosed({{0, 12}, {-30, 2}, {-44, -28}, {-48, -80}, {-53, -128}, {-60, -166},
                                      {-52, -188}, {-10, -206}, {30, -212}, {54, -190}, {56, -150},
                                      {50 - arch, -104}, {42 - arch * 0.6, -56}, {36, -16}});

    Figure details;
    for (std::size_t t = 0; t < toeBuild.size(); ++t) {
        const ToeBuild& toe = toeBuild[t];
        const QPointF dir = unit(toe.angle + toe.spread * pose.toeSpread);
        const qreal length = toe.length * (1 - 0.55 * pose.toeCurl);
        const QPointF root = toe.base - dir * 12;
        const QPointF tip = toe.base + dir * length;
        body = body.united(capsule(root, tip, toe.width, toe.width * 0.94));
        if (!sole && pose.toeCurl < 0.6) {
            details.addSolid(orientedOval(tip - dir * toe.width * 0.42, dir, toe.width * 0.62, toe.width * 0.62),
                             nail, tone.darker(150));
        }
        if (sole) {
            // the pad under each toe and the crease at its base
            details.addLine(crossLine(toe.base + dir * 4, dir, toe.width * 0.4, -3), crease, 1.4);
        } else if (pose.toeCurl > 0.3) {
            details.addLine(crossLine(toe.base + dir * length * 0.45, dir, toe.width * 0.34, 3), crease, 1.3);
        }
    }
    marks.bigToe = toeBuild[0].base + unit(toeBuild[0].angle + toeBuild[0].spread * pose.toeSpread) *
                                          toeBuild[0].length * (1 - 0.55 * pose.toeCurl);
    marks.littleToe = toeBuild[4].base + unit(toeBuild[4].angle + toeBuild[4].spread * pose.toeSpread) *
                                             toeBuild[4].length * (1 - 0.55 * pose.toeCurl);
    marks.toes = QPointF(-4, -225);
    marks.heel = QPointF(0, 10);
    marks.ankle = QPointF(0, -50);
    marks.ball = QPointF(0, -180);

    // Turning at the ankle swings the foot; the shin stays.
    const QTransform swing = rotationAbout(marks.ankle, pose.swing);
    body = swing.map(body);
    details = details.transformed(swing);
    for (QPointF* p : {&marks.bigToe, &marks.littleToe, &marks.toes, &marks.ball})
        *p = swing.map(*p);

    Figure foot;
    if (sole) {
        foot.addSkin(body, tone);
        const QColor pad = mix(tone, QColor(225, 140, 130), 0.25);
        QPainterPath heelPad, ballPad;
        heelPad.addEllipse(QPointF(0, -24), 28, 32);
        ballPad.addEllipse(QPointF(2, -174), 44, 20);
        foot.addSolid(swing.map(heelPad), pad);
        foot.addSolid(swing.map(ballPad), pad);
        QPainterPath hollow;
        hollow.addEllipse(QPointF(26, -108), 10, 34);
        foot.addSolid(swing.map(hollow), tone.lighter(106));
        foot.append(details);
        return foot;
    }

    // Looking down at one's own foot: the shin comes from below, in trousers.
    foot.addSkin(body.united(capsule(QPointF(0, -46), QPointF(0, 20), 88, 92)), tone);
    // tendons of the toes over the instep
    foot.addLine(swing.map(smoothOpen({{26, -186}, {22, -140}, {14, -90}})), tone.darker(112), 2);
    foot.addLine(swing.map(smoothOpen({{-4, -194}, {-4, -140}, {0, -96}})), tone.darker(112), 1.6);
    foot.append(details);
    QPainterPath trouserLeg;
    trouserLeg.addRoundedRect(QRectF(-58, -40, 116, 110), 14, 14);
    foot.addSolid(trouserLeg, style.trousers, style.trousers.darker(150));
    foot.addLine(smoothOpen({{-50, -28}, {0, -22}, {50, -28}}), style.trousers.darker(125), 2);
    return foot;
}

// The inner side of a left foot, toes right; the outer side is drawn the same
// way round and mirrored by the caller.
Figure footFromSide(const FootPose& pose, const FootStyle& style, FootPoints& marks)
{
    const bool inner = pose.view == FootView::inner;
    const QColor tone = style.skin;
    const QPointF ankle(0, 8);
    const QPointF ball(132, 80);

    // Standing on the ball of the foot turns the foot about the ball; the
    // ankle then rises and the leg with it.
    const QTransform raise = rotationAbout(ball, pose.heelRaise);
    const QTransform footTurn = rotationAbout(ankle, -pose.ankle) * raise;
    const QPointF ankleNow = raise.map(ankle);
    const QPointF legShift = ankleNow - ankle;

    // inner side: the arch lifts the sole off the ground between heel and ball
    const qreal arch = inner ? 14 : 2;
    const QPainterPath sole = smoothClosed({{28, -8}, {70, 12}, {112, 28}, {146, 42}, {160, 62}, {146, 84},
                                            {100, 82 - arch * 0.7}, {50, 82 - arch}, {0, 84}, {-30, 86},
                                            {-56, 70}, {-60, 38}, {-40, 0}, {-10, -20}});
    const qreal toeWidth = inner ? 34 : 26;
    const QPointF toeRoot(144, 84 - toeWidth / 2);
    const QPointF toeDir = unit(92 - pose.toesLift);
    const QPointF toeTip = toeRoot + toeDir * (inner ? 48 : 38);
    QPainterPath toe = capsule(toeRoot - toeDir * 10, toeTip, toeWidth, toeWidth * 0.9);

    QPainterPath leg = capsule(QPointF(-8, -140), QPointF(-4, 0), 64, 62).translated(legShift);
    // The toes stay flat on the floor when the heel rises.
    const QTransform toeTurn = rotationAbout(ankle, -pose.ankle);
    QPainterPath body = leg.united(footTurn.map(sole)).united(toeTurn.map(toe));

    Figure foot;
    if (pose.floor) {
        QPainterPath floor;
        floor.addRoundedRect(QRectF(-100, 90, 330, 8), 4, 4);
        foot.addSolid(floor, QColor(150, 140, 130));
    }
    foot.addSkin(body, tone);
    QPainterPath ankleBone;
    ankleBone.addEllipse(QPointF(inner ? 0 : -6, inner ? 0 : 6) + legShift, 11, 12);
    foot.addLine(ankleBone, tone.darker(118), 1.4);
    if (inner) {
        foot.addLine(footTurn.map(smoothOpen({{-10, 60}, {40, 54}, {96, 62}})), tone.darker(115), 1.6);
    } else {
        // the bump at the base of the little toe's long bone
        foot.addLine(footTurn.map(smoothOpen({{58, 70}, {70, 66}, {82, 70}})), tone.darker(125), 1.4);
    }
    const QPointF nailAt = toeTip - toeDir * (inner ? 9 : 7) + QPointF(-toeDir.y(), toeDir.x()) * (toeWidth * 0.22);
    foot.addSolid(toeTurn.map(orientedOval(nailAt, toeDir, inner ? 20 : 13, inner ? 8 : 6)),
                  mix(tone, QColor(255, 230, 230), 0.45), tone.darker(150));
    foot.addLine(toeTurn.map(crossLine(toeRoot + toeDir * 12, toeDir, toeWidth * 0.3, 2)), tone.darker(130), 1.2);

    QPainterPath hem;
    hem.addRoundedRect(QRectF(-52, -180, 96, 100).translated(legShift), 12, 12);
    foot.addSolid(hem, style.trousers, style.trousers.darker(150));
    foot.addLine(smoothOpen({{-44, -94}, {-4, -90}, {36, -94}}).translated(legShift), style.trousers.darker(125), 2);

    marks.bigToe = toeTurn.map(toeTip);
    marks.littleToe = marks.bigToe;
    marks.toes = marks.bigToe;
    marks.heel = footTurn.map(QPointF(-50, 72));
    marks.ankle = ankleNow;
    marks.ball = ball;
    return foot;
}

} // namespace

Figure drawFoot(const FootPose& pose, const FootStyle& style, FootPoints* points)
{
    FootPoints marks;
    Figure foot;
    QTransform turn;
    switch (pose.view) {
    case FootView::top:
        foot = footFromAbove(pose, style, marks);
        break;
    case FootView::sole:
        foot = footFromAbove(pose, style, marks);
        turn = QTransform::fromScale(-1, 1);
        break;
    case FootView::inner:
        foot = footFromSide(pose, style, marks);
        break;
    case FootView::outer:
        foot = footFromSide(pose, style, marks);
        turn = QTransform::fromScale(-1, 1);
        break;
    }
    if (!turn.isIdentity()) {
        foot = foot.transformed(turn);
        for (QPointF* p : {&marks.bigToe, &marks.littleToe, &marks.toes, &marks.heel, &marks.ankle, &marks.ball})
            *p = turn.map(*p);
    }
    if (points)
        *points = marks;
    return foot;
}

} // namespace demo

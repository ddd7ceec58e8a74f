#pragma once
// A drawn hand with its forearm and sleeve cuff. The hand is a left hand; the
// right-side pictures are its mirror images. In the hand's own coordinates
// the wrist lies at (0, 0) and the fingers point up; seen from the back, the
// thumb lies on the right.

#include "figure.h"

#include <array>

namespace demo {

struct FingerPose {
    qreal angle = 0;                 // in the plane, degrees from up, + toward the thumb
    std::array<qreal, 3> flex = {};  // bending at each joint, degrees, toward the palm
};

struct HandPose {
    std::array<FingerPose, 4> fingers; // index, middle, ring, little
    qreal thumbAngle = 40;             // degrees from up, away from the fingers
    qreal thumbBend = 10;              // bending of the thumb's two joints
    bool thumbAcross = false;          // the thumb lies across the palm
    qreal wrist = 0;                   // bend at the wrist, + toward the thumb
    bool palm = false;                 // the palm faces the viewer
};

enum class Gesture { relaxed, open, spread, together, fist, point, peace, hook, bentIndex, bentLittle };

HandPose handPose(Gesture gesture, bool palm = false);

struct HandStyle {
    QColor skin;
    QColor sleeve;
};

// Where the drawn hand's landmarks are, in the figure's coordinates (after the
// wrist bend and the turn to show the palm).
struct HandPoints {
    std::array<QPointF, 5> tips;      // thumb, index, middle, ring, little
    std::array<QPointF, 5> knuckles;  // thumb's middle joint, then the fingers' bases
    QPointF palmCentre;
    QPointF wrist;
};

Figure drawHand(const HandPose& pose, const HandStyle& style, HandPoints* points = nullptr);

} // namespace demo

#pragma once
// A drawn foot with the end of its trouser leg. The foot is a left foot; the
// right-side pictures are its mirror images. Seen from above, the toes point
// up and the big toe lies on the right; seen from the side, the inner side
// shows the arch and the big toe with the toes pointing right, the outer side
// a flat edge and the little toe with the toes pointing left.

#include "figure.h"

namespace demo {

enum class FootView { top, sole, inner, outer };

struct FootPose {
    FootView view = FootView::top;
    qreal toeCurl = 0;    // top and sole: 0 straight to 1 curled under
    qreal toeSpread = 0;  // top and sole: degrees added between the toes
    qreal swing = 0;      // top and sole: degrees the foot turns at the ankle, + toward the big toe
    qreal ankle = 0;      // side: degrees, + lifts the toes toward the shin
    qreal toesLift = 0;   // side: degrees, the toes lifted at their base
    qreal heelRaise = 0;  // side: degrees, standing on the ball of the foot
    bool floor = false;   // side: the floor the foot stands on is drawn
};

struct FootStyle {
    QColor skin;
    QColor trousers;
};

struct FootPoints {
    QPointF bigToe;    // tip of the big toe (side views: of the toes seen)
    QPointF littleToe; // tip of the little toe (top and sole views)
    QPointF toes;      // middle of the toes
    QPointF heel;
    QPointF ankle;
    QPointF ball;
};

Figure drawFoot(const FootPose& pose, const FootStyle& style, FootPoints* points = nullptr);

} // namespace demo

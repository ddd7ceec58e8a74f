#pragma once
// A drawn face with neck and shoulders. Its left side is the side of the
// picture: a head turned to the person's left, or a movement of the person's
// left brow, eye, cheek or mouth corner (on the picture's right, as when one
// faces the person). The right-side pictures are mirror images. The face
// itself is symmetric (hair, shirt, light) so that nothing else tells the
// sides apart.

#include "figure.h"

namespace demo {

struct FacePose {
    qreal turn = 0;        // -1 to 1; + turns the head to the person's left
    qreal nod = 0;         // -1 to 1; + lifts the chin
    // Movements of the person's left side, each from 0 (at rest) to 1.
    qreal browRaise = 0;
    qreal frown = 0;       // brow drawn down and in
    qreal eyeClose = 0;
    qreal smile = 0;       // mouth corner up and out
    qreal cornerDown = 0;
    qreal cheekPuff = 0;
    qreal mouthShift = 0;  // the whole mouth pulled toward the left side
    qreal noseWrinkle = 0;
};

enum class HairStyle { shortHair, longHair, curly, bald };

struct FaceStyle {
    QColor skin;
    QColor hair;
    QColor iris;
    QColor shirt;
    HairStyle hairStyle = HairStyle::shortHair;
    bool glasses = false;
};

// Landmarks of the person's left side and of the middle of the face.
struct FacePoints {
    QPointF brow;
    QPointF eye;
    QPointF mouthCorner;
    QPointF cheek;
    QPointF mouth;
    QPointF noseTip;
};

Figure drawFace(const FacePose& pose, const FaceStyle& style, FacePoints* points = nullptr);

} // namespace demo

#pragma once
// Drawn figures for the demo pictures: a limb or a face built from paths in
// its own coordinates, then placed on the picture turned and, for the
// right-side pictures, mirrored. The shading is laid on after placing, in the
// picture's own coordinates (lit from above, shadow straight below), so that
// a mirrored figure is lit exactly like the original: only the figure's own
// shape tells left from right.

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <vector>

namespace demo {

struct Shape {
    enum class Kind {
        skin,  // filled with a skin tone, lit from above, outlined darker
        solid, // filled with one colour, lit from above, optional outline
        line,  // stroked only: creases, nails' edges, features
        ghost, // the earlier pose of a movement: pale fill, dashed outline
        arrow, // the movement to make, stroked with an arrowhead at its end
    };
    Kind kind = Kind::skin;
    QPainterPath path;
    QColor colour;
    QColor outline;   // skin and solid shapes; invalid for none
    qreal width = 2;  // stroke width of lines and arrows, outline width otherwise
};

class Figure {
public:
    void addSkin(const QPainterPath& path, const QColor& tone);
    void addSolid(const QPainterPath& path, const QColor& fill, const QColor& outline = {});
    void addLine(const QPainterPath& path, const QColor& colour, qreal width);
    // The outline of an earlier pose, drawn under everything added later.
    void addGhost(const Figure& earlier);
    void addArrow(const QPainterPath& shaft);
    void append(const Figure& other);

    // The figure's outline: every skin and solid shape together.
    QPainterPath silhouette() const;
    Figure transformed(const QTransform& transform) const;
    const std::vector<Shape>& shapes() const { return shapes_; }

private:
    std::vector<Shape> shapes_;
};

struct Placement {
    qreal rotation = 0;     // degrees, clockwise on the picture
    bool mirrored = false;  // the right-side twin of a left-side picture
    qreal maxScale = 1.6;   // figures are fitted to the picture, never larger than this
};

// Draws the figure fitted and centred in the area of the picture. Mirroring
// is applied last, about the area's vertical centre line, so that a mirrored
// picture is the exact mirror image of the unmirrored one.
void drawFigure(QImage& picture, const Figure& figure, const Placement& placement, const QRectF& area);

// A soft background: a vertical blend between two colours, the same on both
// sides so that it tells nothing about the side.
void paintBackground(QImage& picture, const QColor& top, const QColor& bottom);

// Path helpers.
// A closed curve through the points (Catmull-Rom, drawn as cubic curves).
QPainterPath smoothClosed(const std::vector<QPointF>& points);
// An open curve through the points.
QPainterPath smoothOpen(const std::vector<QPointF>& points);
// A rounded limb segment from a to b, widths wa at a and wb at b.
QPainterPath capsule(QPointF a, QPointF b, qreal wa, qreal wb);
// A rounded rectangle centred on c, of the given length along direction dir.
QPainterPath orientedOval(QPointF c, QPointF dir, qreal length, qreal width);
// A short line across a segment's direction at point c.
QPainterPath crossLine(QPointF c, QPointF dir, qreal halfWidth, qreal bow = 0);
QPointF unit(qreal degreesFromUp); // direction, 0 = up, positive = clockwise
QPointF normalised(QPointF v);
QPointF rotatedAbout(QPointF p, QPointF centre, qreal degrees);
QTransform rotationAbout(QPointF centre, qreal degrees);
// An arc of a circle from startDeg to endDeg (0 = up, clockwise positive).
QPainterPath arc(QPointF centre, qreal radius, qreal startDeg, qreal endDeg);
QPainterPath ellipticArc(QPointF centre, qreal rx, qreal ry, qreal startDeg, qreal endDeg);

} // namespace demo

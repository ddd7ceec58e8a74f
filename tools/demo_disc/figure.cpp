#include "figure.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace demo {
namespace {

constexpr qreal degree = std::numbers::pi / 180.0;

QRectF extent(const Figure& figure)
{
    QRectF bounds;
    for (const Shape& shape : figure.shapes()) {
        const bool stroked = shape.kind == Shape::Kind::line || shape.kind == Shape::Kind::arrow;
        const qreal margin = stroked ? shape.width * 2 : 0;
        bounds |= shape.path.boundingRect().adjusted(-margin, -margin, margin, margin);
    }
    return bounds;
}

// Screen angle of a vector as QPainterPath::arcTo counts it: degrees from
// three o'clock, counterclockwise on the picture.
qreal arcAngle(QPointF v)
{
    return std::atan2(-v.y(), v.x()) / degree;
}

void paintArrow(QPainter& painter, const Shape& shape)
{
    const QPainterPath& shaft = shape.path;
    const qreal length = shaft.length();
    const QPointF end = shaft.pointAtPercent(1);
    const QPointF before = shaft.pointAtPercent(shaft.percentAtLength(std::max(0.0, length - 6)));
    const QPointF dir = normalised(end - before);
    const QPointF side(-dir.y(), dir.x());
    const qreal headLength = shape.width * 2.6;
    const qreal headHalf = shape.width * 2.0;

    // The shaft stops inside the head so that its round cap does not show.
    const QPainterPath cut = [&] {
        QPainterPath p;
        const qreal stop = shaft.percentAtLength(std::max(0.0, length - headLength * 0.5));
        const int steps = std::max(8, static_cast<int>(length / 3));
        p.moveTo(shaft.pointAtPercent(0));
        for (int i = 1; i <= steps; ++i)
            p.lineTo(shaft.pointAtPercent(stop * i / steps));
        return p;
    }();
    QPolygonF head;
    head << end + dir * headLength * 0.55 << end - dir * headLength * 0.45 + side * headHalf
         << end - dir * headLength * 0.45 - side * headHalf;

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 230), shape.width + 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(cut);
    painter.drawPolygon(head);
    painter.setPen(QPen(shape.colour, shape.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(cut);
    painter.setPen(QPen(QColor(255, 255, 255, 230), 2));
    painter.setBrush(shape.colour);
    painter.drawPolygon(head);
}

} // namespace

void Figure::addSkin(const QPainterPath& path, const QColor& tone)
{
    shapes_.push_back({Shape::Kind::skin, path, tone, tone.darker(175), 2.0});
}

void Figure::addSolid(const QPainterPath& path, const QColor& fill, const QColor& outline)
{
    shapes_.push_back({Shape::Kind::solid, path, fill, outline, 2.0});
}

void Figure::addLine(const QPainterPath& path, const QColor& colour, qreal width)
{
    shapes_.push_back({Shape::Kind::line, path, colour, {}, width});
}

void Figure::addGhost(const Figure& earlier)
{
    QColor edge(60, 70, 90);
    for (const Shape& shape : earlier.shapes_) {
        if (shape.kind == Shape::Kind::skin) {
            edge = shape.outline;
            break;
        }
    }
    shapes_.push_back({Shape::Kind::ghost, earlier.silhouette(), QColor(255, 255, 255, 120), edge, 2.0});
}

void Figure::addArrow(const QPainterPath& shaft)
{
    shapes_.push_back({Shape::Kind::arrow, shaft, QColor(24, 110, 214), {}, 6.0});
}

void Figure::append(const Figure& other)
{
    shapes_.insert(shapes_.end(), other.shapes_.begin(), other.shapes_.end());
}

QPainterPath Figure::silhouette() const
{
    QPainterPath all;
    for (const Shape& shape : shapes_) {
        if (shape.kind == Shape::Kind::skin || shape.kind == Shape::Kind::solid)
            all = all.united(shape.path);
    }
    return all;
}

Figure Figure::transformed(const QTransform& transform) const
{
    Figure result;
    result.shapes_ = shapes_;
    for (Shape& shape : result.shapes_)
        shape.path = transform.map(shape.path);
    return result;
}

void drawFigure(QImage& picture, const Figure& figure, const Placement& placement, const QRectF& area)
{
    const Figure turned = figure.transformed(QTransform().rotate(placement.rotation));
    const QRectF bounds = extent(turned);
    const qreal scale =
        std::min({placement.maxScale, area.width() / bounds.width(), area.height() / bounds.height()});
    QTransform fit = QTransform::fromTranslate(-bounds.center().x(), -bounds.center().y()) *
                     QTransform::fromScale(scale, scale) *
                     QTransform::fromTranslate(area.center().x(), area.center().y());
    if (placement.mirrored) {
        const qreal axis = area.center().x();
        fit = fit * QTransform::fromTranslate(-axis, 0) * QTransform::fromScale(-1, 1) *
              QTransform::fromTranslate(axis, 0);
    }
    const Figure placed = turned.transformed(fit);
    const QRectF lit = extent(placed);

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    // A soft shadow straight below the figure.
    const QPainterPath body = placed.silhouette();
    painter.setPen(Qt::NoPen);
    for (int i = 1; i <= 3; ++i)
        painter.fillPath(body.translated(0, 3.0 + 3.0 * i), QColor(20, 30, 40, 16));

    for (const Shape& shape : placed.shapes()) {
        switch (shape.kind) {
        case Shape::Kind::skin:
        case Shape::Kind::solid: {
            QLinearGradient light(0, lit.top(), 0, lit.bottom());
            light.setColorAt(0, shape.colour.lighter(112));
            light.setColorAt(1, shape.colour.darker(112));
            painter.setBrush(light);
            if (shape.outline.isValid())
                painter.setPen(QPen(shape.outline, shape.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            else
                painter.setPen(Qt::NoPen);
            painter.drawPath(shape.path);
            break;
        }
        case Shape::Kind::line:
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(shape.colour, shape.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPath(shape.path);
            break;
        case Shape::Kind::ghost:
            painter.setBrush(shape.colour);
            painter.setPen(QPen(shape.outline, shape.width, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPath(shape.path);
            break;
        case Shape::Kind::arrow:
            paintArrow(painter, shape);
            break;
        }
    }
}

void paintBackground(QImage& picture, const QColor& top, const QColor& bottom)
{
    QPainter painter(&picture);
    QLinearGradient blend(0, 0, 0, picture.height());
    blend.setColorAt(0, top);
    blend.setColorAt(1, bottom);
    painter.fillRect(picture.rect(), blend);
}

QPainterPath smoothClosed(const std::vector<QPointF>& points)
{
    QPainterPath path;
    const std::size_t n = points.size();
    path.moveTo(points[0]);
    for (std::size_t i = 0; i < n; ++i) {
        const QPointF& p0 = points[(i + n - 1) % n];
        const QPointF& p1 = points[i];
        const QPointF& p2 = points[(i + 1) % n];
        const QPointF& p3 = points[(i + 2) % n];
        path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
    }
    path.closeSubpath();
    return path;
}

QPainterPath smoothOpen(const std::vector<QPointF>& points)
{
    QPainterPath path;
    const std::size_t n = points.size();
    path.moveTo(points[0]);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const QPointF& p0 = points[i == 0 ? 0 : i - 1];
        const QPointF& p1 = points[i];
        const QPointF& p2 = points[i + 1];
        const QPointF& p3 = points[std::min(i + 2, n - 1)];
        path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
    }
    return path;
}

QPainterPath capsule(QPointF a, QPointF b, qreal wa, qreal wb)
{
    const qreal ra = wa / 2, rb = wb / 2;
    QPointF d = b - a;
    if (std::hypot(d.x(), d.y()) < 0.01)
        d = QPointF(0, -1);
    d = normalised(d);
    const QPointF n(-d.y(), d.x());

    // Half circle around an end, from the +n side over the tip to the -n side.
    const auto around = [](QPainterPath& path, QPointF centre, qreal r, QPointF from, QPointF through) {
        const qreal start = arcAngle(from);
        const qreal ccwMiddle = (start + 90) * degree;
        const QPointF probe(std::cos(ccwMiddle), -std::sin(ccwMiddle));
        const qreal sweep = QPointF::dotProduct(probe, through) > 0 ? 180 : -180;
        path.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), start, sweep);
    };

    QPainterPath path;
    path.moveTo(a + n * ra);
    path.lineTo(b + n * rb);
    around(path, b, rb, n, d);
    path.lineTo(a - n * ra);
    around(path, a, ra, -n, -d);
    path.closeSubpath();
    return path;
}

QPainterPath orientedOval(QPointF c, QPointF dir, qreal length, qreal width)
{
    QPainterPath oval;
    oval.addRoundedRect(QRectF(-length / 2, -width / 2, length, width), width / 2, width / 2);
    QTransform place;
    place.translate(c.x(), c.y());
    place.rotate(std::atan2(dir.y(), dir.x()) / degree);
    return place.map(oval);
}

QPainterPath crossLine(QPointF c, QPointF dir, qreal halfWidth, qreal bow)
{
    const QPointF d = normalised(dir);
    const QPointF n(-d.y(), d.x());
    QPainterPath line;
    line.moveTo(c - n * halfWidth);
    line.quadTo(c + d * bow, c + n * halfWidth);
    return line;
}

QPointF unit(qreal degreesFromUp)
{
    return {std::sin(degreesFromUp * degree), -std::cos(degreesFromUp * degree)};
}

QPointF normalised(QPointF v)
{
    const qreal length = std::hypot(v.x(), v.y());
    return length > 0 ? v / length : QPointF(0, -1);
}

QTransform rotationAbout(QPointF centre, qreal degrees)
{
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotate(degrees);
    t.translate(-centre.x(), -centre.y());
    return t;
}

QPointF rotatedAbout(QPointF p, QPointF centre, qreal degrees)
{
    return rotationAbout(centre, degrees).map(p);
}

QPainterPath ellipticArc(QPointF centre, qreal rx, qreal ry, qreal startDeg, qreal endDeg)
{
    QPainterPath path;
    const int steps = std::max(6, static_cast<int>(std::abs(endDeg - startDeg) / 3));
    for (int i = 0; i <= steps; ++i) {
        const qreal a = (startDeg + (endDeg - startDeg) * i / steps) * degree;
        const QPointF p = centre + QPointF(rx * std::sin(a), -ry * std::cos(a));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return path;
}

QPainterPath arc(QPointF centre, qreal radius, qreal startDeg, qreal endDeg)
{
    return ellipticArc(centre, radius, radius, startDeg, endDeg);
}

} // namespace demo

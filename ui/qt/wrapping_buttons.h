#pragma once
// Check boxes, option buttons and push buttons whose caption wraps at word
// boundaries inside the button's own box, as the window's captions need.
// The caption is kept as the button's text, so its "&" access key works as
// usual; only the painting differs. A click anywhere in the box hits the
// button, also on the second line of a wrapped caption.

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;
    // Where the caption wraps: right of the indicator, to the box's edge.
    QRect captionArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

class WrappingRadioButton : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;
    QRect captionArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

class WrappingPushButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    QRect captionArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

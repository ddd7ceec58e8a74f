#include "ui/qt/wrapping_buttons.h"

#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

// Draws the button's caption word-wrapped in the area, with the access key
// underlined where the style shows access keys; returns the rectangle the
// caption takes.
QRect drawCaption(QStylePainter& painter, const QAbstractButton& button, const QStyleOptionButton& option,
                  const QRect& area, int alignment, QPalette::ColorRole textRole)
{
    const bool underline = button.style()->styleHint(QStyle::SH_UnderlineShortcut, &option, &button);
    const int flags = alignment | Qt::TextWordWrap | (underline ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
    painter.drawItemText(area, flags, option.palette, button.isEnabled(), button.text(), textRole);
    return painter.fontMetrics().boundingRect(area, flags, button.text());
}

// The caption starts 3 pixels right of the indicator, as on the classic
// check box the window was laid out for, so that its captions wrap there
// into the same lines.
constexpr int captionGap = 3;

QRect captionAreaBeside(const QAbstractButton& button, const QStyleOptionButton& option, QStyle::SubElement indicator)
{
    const QRect box = button.style()->subElementRect(indicator, &option, &button);
    return button.rect().adjusted(box.right() + 1 + captionGap, 0, 0, 0);
}

// A check box or an option button: the style paints the indicator, without
// text and without focus; the wrapped caption follows, vertically centred,
// and the focus frame goes round the caption.
void paintIndicatorButton(QAbstractButton& button, QStyleOptionButton option, QStyle::ControlElement element,
                          const QRect& area)
{
    QStylePainter painter(&button);
    const bool focused = option.state & QStyle::State_HasFocus;
    option.text.clear();
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(element, option);

    const QRect caption =
        drawCaption(painter, button, option, area, Qt::AlignLeft | Qt::AlignVCenter, button.foregroundRole());
    if (focused) {
        QStyleOptionFocusRect frame;
        frame.initFrom(&button);
        frame.rect = caption.adjusted(-1, 0, 1, 0) & button.rect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
    }
}

} // namespace

QRect WrappingCheckBox::captionArea() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return captionAreaBeside(*this, option, QStyle::SE_CheckBoxIndicator);
}

void WrappingCheckBox::paintEvent(QPaintEvent*)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    paintIndicatorButton(*this, option, QStyle::CE_CheckBox, captionArea());
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

QRect WrappingRadioButton::captionArea() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return captionAreaBeside(*this, option, QStyle::SE_RadioButtonIndicator);
}

void WrappingRadioButton::paintEvent(QPaintEvent*)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    paintIndicatorButton(*this, option, QStyle::CE_RadioButton, captionArea());
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

QRect WrappingPushButton::captionArea() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

// The style paints the bevel and its focus marks without text; the caption
// is centred both ways, shifted while the button is held down.
void WrappingPushButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    QRect area = captionArea();
    if (isDown())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    drawCaption(painter, *this, option, area, Qt::AlignCenter, QPalette::ButtonText);
}

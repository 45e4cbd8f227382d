#include "views/label.h"

#include <QFontInfo>
#include <QHash>
#include <QMouseEvent>
#include <QStyle>

TLabel::TLabel(QWidget* parent) : QLabel(parent) {
    setContentsMargins(0, 0, 0, 0);
    setMargin(0);
    setIndent(0);
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
}

namespace {

// Beyond this many sizes the remembered ones are forgotten and gathered anew.
constexpr qsizetype kMostRememberedSizes = 4096;

}  // namespace

QSize TLabel::sizeHint() const {
    // Only a plain one-line text with nothing beside it is sized by its font and text alone. A
    // buddy would make "&" a mnemonic marker, which changes the width.
    if (textFormat() != Qt::PlainText || wordWrap() || !pixmap().isNull() || movie() != nullptr ||
        buddy() != nullptr)
        return QLabel::sizeHint();
    static QHash<QString, QSize> remembered;
    const QMargins edges = contentsMargins();
    // The font as asked for and the face it resolves to: the stand-in faces are chosen by
    // substitution, so the same request can be met by another face once the fonts change.
    QString key = font().key();
    key += QChar(0x1F);
    key += QFontInfo(font()).family();
    key += QChar(0x1F);
    key += text();
    key += QChar(0x1F);
    for (const int value :
         {margin(), indent(), static_cast<int>(alignment()), frameWidth(),
          static_cast<int>(textInteractionFlags()), edges.left(), edges.top(), edges.right(),
          edges.bottom(), logicalDpiX(), logicalDpiY(), static_cast<int>(layoutDirection())}) {
        key += QString::number(value);
        key += QLatin1Char(',');
    }
    key += QString::number(reinterpret_cast<quintptr>(style()), 16);
    const auto found = remembered.constFind(key);
    if (found != remembered.constEnd())
        return *found;
    const QSize size = QLabel::sizeHint();
    if (remembered.size() >= kMostRememberedSizes)
        remembered.clear();
    remembered.insert(key, size);
    return size;
}

void TLabel::setAutoSize(bool on) {
    m_autoSize = on;
    if (on)
        adjustSize();
}

void TLabel::setCaption(const QString& text) {
    ++m_captionWrites;
    setText(text);
    if (m_autoSize)
        adjustSize();
}

void TLabel::setTextColor(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    setPalette(p);
}

void TLabel::setBackgroundColor(const QColor& colour) {
    if (!colour.isValid()) {
        setAutoFillBackground(false);
        return;
    }
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    setAutoFillBackground(true);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

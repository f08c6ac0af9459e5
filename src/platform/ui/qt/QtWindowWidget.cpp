#include "platform/ui/qt/QtWindowWidget.h"

namespace quorin::ui {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string ToUtf8(const QString& text) { return text.toStdString(); }

// A caption as a widget without mnemonic support shows it: "&" dropped, "&&" a literal "&".
QString PlainCaption(const QString& caption)
{
    QString result;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;
        }
        result += caption[i];
    }
    return result;
}

// Multi-line texts hold CR LF line ends; Qt's editors use LF.
QString FromStoredText(const std::string& text)
{
    QString result = FromUtf8(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

std::string ToStoredText(QString text)
{
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return ToUtf8(text);
}

// The runtime's code of a key press; 0 for keys it has no code for.
int KeyCode(const QKeyEvent* event)
{
    const int key = event->key();
    int code = 0;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: code = keys::kEnter; break;
    case Qt::Key_Escape: code = keys::kEscape; break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: code = keys::kTab; break;
    case Qt::Key_Backspace: code = keys::kBackspace; break;
    case Qt::Key_Insert: code = keys::kInsert; break;
    case Qt::Key_Delete: code = keys::kDelete; break;
    case Qt::Key_Home: code = keys::kHome; break;
    case Qt::Key_End: code = keys::kEnd; break;
    case Qt::Key_PageUp: code = keys::kPageUp; break;
    case Qt::Key_PageDown: code = keys::kPageDown; break;
    case Qt::Key_Up: code = keys::kUp; break;
    case Qt::Key_Down: code = keys::kDown; break;
    case Qt::Key_Left: code = keys::kLeft; break;
    case Qt::Key_Right: code = keys::kRight; break;
    case Qt::Key_Menu: code = keys::kMenu; break;
    default:
        if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
            code = keys::FunctionKey(1 + (key - Qt::Key_F1));
        } else if (key >= 0x20 && key <= 0x7E) {
            code = key; // letters come upper case, as the runtime names them
        }
        break;
    }
    if (code == 0) {
        return 0;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ShiftModifier || key == Qt::Key_Backtab) {
        code |= keys::kShift;
    }
    if (mods & Qt::ControlModifier) {
        code |= keys::kCtrl;
    }
    if (mods & Qt::AltModifier) {
        code |= keys::kAlt;
    }
    return code;
}

Qt::Alignment ToQtAlignment(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Right:
    case Alignment::Decimal: return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}


} // namespace quorin::ui

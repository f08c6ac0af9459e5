#include "platform/ui/qt/DialogUnits.h"

#include <climits>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>

namespace quorin::ui {

namespace {

bool IsDialogTypeface(const QString& face)
{
    static const std::array<const char*, 6> kFaces = {
        "MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif", "System", "Tahoma",
    };
    return std::any_of(kFaces.begin(), kFaces.end(),
                       [&](const char* known) { return face.compare(QLatin1String(known), Qt::CaseInsensitive) == 0; });
}

// Rounds a * b / c to the nearest integer, halves away from zero.
int MulDivRounded(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    const long long quotient = product >= 0 ? (product + half) / c : (product - half) / c;
    // A stored place or size may be any number: past an int it stays at the int's end.
    return static_cast<int>(std::clamp<long long>(quotient, INT_MIN, INT_MAX));
}

} // namespace

QFont WindowFont(std::string_view typeface, int points, int weight)
{
    const QString face = QString::fromUtf8(typeface.data(), static_cast<qsizetype>(typeface.size())).trimmed();
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!face.isEmpty() && !IsDialogTypeface(face)) {
        font.setFamilies(QStringList{face, font.family()});
    }
    font.setStyleHint(QFont::SansSerif);
    if (points > 0) {
        font.setPointSize(points);
    }
    if (weight > 0) {
        font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    }
    return font;
}

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width over the Latin letters, as dialog managers measure it.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double average = metrics.horizontalAdvance(letters) / 52.0;
    baseX_ = std::max(1, static_cast<int>(std::lround(average)));
    baseY_ = std::max(1, metrics.height());
}

int DialogUnits::ToPixelsX(int units) const { return MulDivRounded(units, baseX_, 4); }
int DialogUnits::ToPixelsY(int units) const { return MulDivRounded(units, baseY_, 8); }
int DialogUnits::ToUnitsX(int pixels) const { return MulDivRounded(pixels, 4, baseX_); }
int DialogUnits::ToUnitsY(int pixels) const { return MulDivRounded(pixels, 8, baseY_); }

} // namespace quorin::ui

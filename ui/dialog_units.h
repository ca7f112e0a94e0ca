#pragma once

#include <QFont>
#include <QRect>

// Layout sizes given in dialog units, turned into pixels for a font the way dialog
// templates do: a horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height. The windows keep their proportions in any font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int left, int top, int width, int height) const;
    QSize size(int width, int height) const;

private:
    double averageCharWidth_;
    double charHeight_;
};

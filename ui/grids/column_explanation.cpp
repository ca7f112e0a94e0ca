#include "ui/grids/column_explanation.h"

#include <QHash>
#include <QStringList>

namespace grids {

namespace {

const QStringList& indexNames()
{
    static const QStringList names = {QStringLiteral("TDI3"), QStringLiteral("TDI4"), QStringLiteral("LTDI1"),
                                      QStringLiteral("LTDI2"), QStringLiteral("DAM")};
    return names;
}

// The comment columns keep the spellings of earlier versions.
QString commentIndex(const QString& name)
{
    if (name == QLatin1String("TD14"))
        return QStringLiteral("TDI4");
    if (name == QLatin1String("LTD12"))
        return QStringLiteral("LTDI2");
    return name;
}

}  // namespace

QString columnExplanation(const QString& heading)
{
    static const QHash<QString, QString> fixed = {
        {QStringLiteral("Sample sum"), QStringLiteral("The sum of all counts of the sample, matched or not")},
        {QStringLiteral("% Planktic"), QStringLiteral("The share of the Sample sum in matched taxa flagged planktic")},
        {QStringLiteral("% Motile"), QStringLiteral("The share of the Sample sum in matched taxa flagged motile")},
        {QStringLiteral("% Organic tolerant"),
         QStringLiteral("The share of the Sample sum in matched taxa flagged organic tolerant")},
        {QStringLiteral("% Saline"), QStringLiteral("The share of the Sample sum in matched taxa flagged saline")},
        {QStringLiteral("Site code"), QStringLiteral("The site's code, as written for its first sample")},
        {QStringLiteral("No. Samples"), QStringLiteral("Samples of the site with an EQR for this index")},
        {QStringLiteral("No. missing"), QStringLiteral("Samples of the site without an EQR for this index")},
        {QStringLiteral("Mean EQR"), QStringLiteral("The mean EQR of the site's samples")},
        {QStringLiteral("Class"), QStringLiteral("The class of the mean EQR (High to Bad)")},
        {QStringLiteral("CoC High"), QStringLiteral("Probability, in per cent, that the site's true class is High")},
        {QStringLiteral("CoC Good"), QStringLiteral("Probability, in per cent, that the site's true class is Good")},
        {QStringLiteral("CoC High+Good"),
         QStringLiteral("Probability, in per cent, that the site's true class is High or Good")},
        {QStringLiteral("CoC Mod"), QStringLiteral("Probability, in per cent, that the site's true class is Moderate")},
        {QStringLiteral("CoC Poor"), QStringLiteral("Probability, in per cent, that the site's true class is Poor")},
        {QStringLiteral("CoC Bad"), QStringLiteral("Probability, in per cent, that the site's true class is Bad")},
        {QStringLiteral("RoM"),
         QStringLiteral("Risk of misclassification: 100 minus the probability of the reported class")},
        {QStringLiteral("CoC HG"), QStringLiteral("Probability of High or Good (CoC High + CoC Good)")},
        {QStringLiteral("CoC MPB"), QStringLiteral("Probability of Moderate, Poor or Bad")},
        {QStringLiteral("RoM-G/M"), QStringLiteral("Risk of being on the wrong side of the Good/Moderate boundary")},
    };
    const QString trimmed = heading.trimmed();
    if (auto it = fixed.constFind(trimmed); it != fixed.constEnd())
        return *it;

    for (const QString& index : indexNames()) {
        if (trimmed == index)
            return index == QLatin1String("DAM") ? QStringLiteral("The index DAM")
                                                 : QStringLiteral("The index %1 (0 to 100)").arg(index);
        if (trimmed == QLatin1Char('e') + index)
            return QStringLiteral("The expected %1").arg(index);
        if (trimmed == QStringLiteral("Sum ") + index)
            return QStringLiteral("The sum of the counts of the taxa with a %1 score").arg(index);
        if (trimmed == QStringLiteral("EQR ") + index)
            return QStringLiteral("The EQR of %1: observed over expected").arg(index);
        if (trimmed == QStringLiteral("Class ") + index)
            return QStringLiteral("The status class of %1: High, Good, Moderate, Poor or Bad").arg(index);
    }
    if (trimmed.startsWith(QLatin1String("Comment "))) {
        const QString index = commentIndex(trimmed.mid(8));
        if (indexNames().contains(index))
            return QStringLiteral("Notes on the sample's %1: chemistry substituted, date missing, no matching taxa")
                .arg(index);
    }
    return QString();
}

bool looksNumeric(const QString& text)
{
    if (text.isEmpty())
        return false;
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

}  // namespace grids

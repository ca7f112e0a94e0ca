// torven-mkhelp: the help file TORVENII.pdf (and its contents, TORVENII.toc) from the user
// manual in Markdown.
//
//   torven-mkhelp -o OUT.pdf [--images DIR] MANUAL.md
//
// The manual is laid out by Qt's own rich-text engine and written page by page to an A4
// PDF with a running title and page numbers. Pictures are looked for in DIR (by default
// the manual's own folder); a picture that is not there is replaced by its caption, so a
// manual whose screenshots have not been taken yet still builds. OUT is written under a
// temporary name and moved into place only when complete.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QTimeZone>
#include <cstdio>
#include <ctime>
#include <optional>

namespace {

// Layout units: the document is laid out at 96 units per inch, like a screen, and scaled
// onto the PDF. Picture sizes in pixels then read as they do on screen.
constexpr double kLayoutDpi = 96.0;
constexpr double kMarginMm = 20.0;
constexpr double kFooterGapMm = 8.0;  // between the text block and the page number

const QColor kHeadingColour(0, 0, 125);  // the dark blue of the splash's version line
const QColor kRuleColour(160, 160, 170);

struct Options {
    QString manualPath;
    QString outputPath;
    QString imageDir;
};

void usage()
{
    std::fputs("Usage: torven-mkhelp -o OUT.pdf [--images DIR] MANUAL.md\n", stderr);
}

std::optional<Options> parseArguments(const QStringList& args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if ((arg == "-o" || arg == "--images") && i + 1 < args.size()) {
            (arg == "-o" ? options.outputPath : options.imageDir) = args[++i];
        } else if (arg.startsWith('-') || !options.manualPath.isEmpty()) {
            return std::nullopt;
        } else {
            options.manualPath = arg;
        }
    }
    if (options.manualPath.isEmpty() || options.outputPath.isEmpty())
        return std::nullopt;
    if (options.imageDir.isEmpty())
        options.imageDir = QFileInfo(options.manualPath).absolutePath();
    return options;
}

double mmToLayout(double mm)
{
    return mm / 25.4 * kLayoutDpi;
}

using Pictures = QList<std::pair<QUrl, QImage>>;

// Picture paragraphs: "![caption](images/name.png)" alone on a line. The file is looked up
// by its name in the picture folder; a present picture is followed by its caption, a missing
// one is replaced by it. The pictures found are loaded into pictures, to be handed to the
// document once its text is set (setting the text drops the document's resources).
QString resolvePictures(const QString& markdown, const QString& imageDir, Pictures& pictures, int& missing)
{
    static const QRegularExpression picture(QStringLiteral(R"(^!\[([^\]]*)\]\(([^)\s]+)\)[ \t]*$)"),
                                            QRegularExpression::MultilineOption);
    QString out;
    qsizetype last = 0;
    QRegularExpressionMatchIterator it = picture.globalMatch(markdown);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += markdown.mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const QString caption = m.captured(1).trimmed();
        const QString fileName = QFileInfo(m.captured(2)).fileName();
        const QImage image(imageDir + '/' + fileName);
        if (image.isNull()) {
            ++missing;
            out += QStringLiteral("*[Picture: %1]*").arg(caption);
            continue;
        }
        const QUrl url(QStringLiteral("torven-image:") + fileName);
        pictures.append({url, image});
        out += QStringLiteral("![%1](%2)").arg(caption, url.toString());
        if (!caption.isEmpty())
            out += QStringLiteral("\n\n*%1*").arg(caption);
    }
    out += markdown.mid(last);
    return out;
}

// The caption that stands in for a missing picture, centred where the picture would be.
void centreMissingPictures(QTextDocument& doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!block.text().startsWith(QLatin1String("[Picture: ")))
            continue;
        QTextBlockFormat f = block.blockFormat();
        f.setAlignment(Qt::AlignHCenter);
        f.setTopMargin(6);
        f.setBottomMargin(10);
        QTextCursor(block).setBlockFormat(f);
    }
}

// Pictures no wider than the text and no taller than two thirds of a page, keeping their
// proportions; each centred in its paragraph.
void fitPictures(QTextDocument& doc, double textWidth, double pageHeight)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QImage image = doc.resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
            if (image.isNull())
                continue;
            // Screenshots are taken at screen size; at most 80 % of that size keeps them
            // sharp on paper, and never wider than the text.
            double width = image.width() * 0.8;
            if (width > textWidth)
                width = textWidth;
            double height = width * image.height() / image.width();
            if (height > pageHeight * 2 / 3) {
                width *= pageHeight * 2 / 3 / height;
                height = pageHeight * 2 / 3;
            }
            format.setWidth(width);
            format.setHeight(height);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
            QTextBlockFormat centred = block.blockFormat();
            centred.setAlignment(Qt::AlignHCenter);
            centred.setTopMargin(6);
            cursor.setBlockFormat(centred);
            // The caption paragraph that follows, centred too.
            const QTextBlock caption = block.next();
            if (caption.isValid()) {
                QTextCursor c(caption);
                QTextBlockFormat f = caption.blockFormat();
                f.setAlignment(Qt::AlignHCenter);
                f.setBottomMargin(10);
                c.setBlockFormat(f);
            }
        }
    }
}

// Headings in dark blue with room above them; every chapter after the first on a new page.
void styleHeadings(QTextDocument& doc)
{
    bool firstChapter = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 0)
            continue;
        QTextCursor cursor(block);
        cursor.select(QTextCursor::BlockUnderCursor);
        QTextBlockFormat bf = block.blockFormat();
        bf.setTopMargin(level == 1 ? 0 : (level == 2 ? 16 : 10));
        bf.setBottomMargin(level == 1 ? 12 : 6);
        bf.setPageBreakPolicy(level == 1 && !firstChapter ? QTextFormat::PageBreak_AlwaysBefore
                                                          : QTextFormat::PageBreak_Auto);
        // A heading never ends a page alone.
        bf.setNonBreakableLines(true);
        QTextCursor blockCursor(block);
        blockCursor.setBlockFormat(bf);
        QTextCharFormat cf;
        cf.setForeground(kHeadingColour);
        cf.setFontWeight(QFont::Bold);
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(cf);
        if (level == 1)
            firstChapter = false;
    }
}

// Tables with thin ruled cells, a grey header row repeated on every page, the full text width.
void styleTables(QTextDocument& doc)
{
    QList<QTextTable*> tables;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        if (QTextTable* table = cursor.currentTable(); table && !tables.contains(table))
            tables.append(table);
    }
    for (QTextTable* table : tables) {
        QTextTableFormat format = table->format();
        format.setBorder(0.6);
        format.setBorderBrush(kRuleColour);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        format.setHeaderRowCount(1);
        format.setTopMargin(4);
        format.setBottomMargin(8);
        table->setFormat(format);
        // With collapsed borders each cell draws its own rules.
        for (int r = 0; r < table->rows(); ++r)
            for (int c = 0; c < table->columns(); ++c) {
                QTextTableCell cell = table->cellAt(r, c);
                QTextTableCellFormat cf = cell.format().toTableCellFormat();
                cf.setBorder(0.6);
                cf.setBorderBrush(kRuleColour);
                cf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                cf.setPadding(3);
                if (r == 0)
                    cf.setBackground(QColor(228, 232, 242));
                cell.setFormat(cf);
            }
    }
}

// Code and command lines on a light grey ground, in the monospaced face of the body font.
void styleCode(QTextDocument& doc)
{
    QTextCharFormat mono;
    mono.setFontFamilies({QStringLiteral("DejaVu Sans Mono")});
    mono.setFontPointSize(9);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().fontFixedPitch())
                continue;
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(mono);
        }
    }
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat bf = block.blockFormat();
        const bool fenced = bf.hasProperty(QTextFormat::BlockCodeFence) || bf.hasProperty(QTextFormat::BlockCodeLanguage);
        if (!fenced)
            continue;
        QTextBlockFormat code = bf;
        code.setBackground(QColor(242, 242, 245));
        code.setLeftMargin(bf.leftMargin() + 8);
        QTextCursor cursor(block);
        cursor.setBlockFormat(code);
    }
}

// The page (from 1) on which a one-line heading shows. Its bottom edge is the reliable
// mark: a heading that starts a new page has its bounding rectangle begin on the page
// before, where the page break's gap lies.
int pageOf(const QTextDocument& doc, const QTextBlock& heading)
{
    const QRectF bounds = doc.documentLayout()->blockBoundingRect(heading);
    const double textBottom = bounds.bottom() - heading.blockFormat().bottomMargin() - 1;
    return static_cast<int>(textBottom / doc.pageSize().height()) + 1;
}

// One entry of the contents: heading level (1 chapter, 2 section), title, page from 1.
struct ContentsEntry {
    int level;
    QString title;
    int page;
};

// A contents page after the title page: every chapter and section heading with its page
// number. The entries take the same room whatever their numbers, so filling the numbers in
// after the layout moves nothing. Returns the entries.
QList<ContentsEntry> insertContents(QTextDocument& doc, double textWidth)
{
    QList<QTextBlock> headings;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 1 || level == 2)
            headings.append(block);
    }
    // The first heading is the title; the contents go before the first chapter.
    if (headings.size() < 2)
        return {};
    headings.removeFirst();

    QTextCursor cursor(headings.first());
    cursor.movePosition(QTextCursor::PreviousBlock);
    cursor.movePosition(QTextCursor::EndOfBlock);

    QTextBlockFormat titleFormat;
    titleFormat.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    titleFormat.setBottomMargin(12);
    QTextCharFormat titleChars;
    titleChars.setFontPointSize(18);
    titleChars.setFontWeight(QFont::Bold);
    titleChars.setForeground(kHeadingColour);
    cursor.insertBlock(titleFormat, titleChars);
    cursor.insertText(QStringLiteral("Contents"));

    QList<QTextBlock> entries;
    for (const QTextBlock& heading : headings) {
        const bool chapter = heading.blockFormat().headingLevel() == 1;
        QTextBlockFormat entryFormat;
        const double indent = chapter ? 0 : 18;
        entryFormat.setLeftMargin(indent);
        entryFormat.setTopMargin(chapter ? 5 : 0);
        // Tab positions count from the block's own left edge.
        entryFormat.setTabPositions({QTextOption::Tab(textWidth - indent - 1, QTextOption::RightTab)});
        QTextCharFormat entryChars;
        entryChars.setFontWeight(chapter ? QFont::Bold : QFont::Normal);
        cursor.insertBlock(entryFormat, entryChars);
        cursor.insertText(heading.text() + QStringLiteral("\t000"));
        entries.append(cursor.block());
    }

    doc.documentLayout()->documentSize();  // lays the whole document out
    QList<ContentsEntry> contents;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const int page = pageOf(doc, headings[i]);
        QTextCursor number(entries[i]);
        number.movePosition(QTextCursor::EndOfBlock);
        number.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 3);
        number.insertText(QString::number(page));
        contents.append({headings[i].blockFormat().headingLevel(), headings[i].text(), page});
    }
    return contents;
}

// The contents beside the help file (OUT with .toc for .pdf), one line an entry:
// level, page and title, tab-separated, UTF-8. The help window lists them for a click,
// since a PDF viewer's text of the contents page cannot be read back line by line.
bool writeContentsFile(const QString& pdfPath, const QList<ContentsEntry>& contents)
{
    QString path = pdfPath;
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path.chop(4);
    path += QStringLiteral(".toc");
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "torven-mkhelp: cannot write %s: %s\n", qPrintable(path), qPrintable(out.errorString()));
        return false;
    }
    for (const ContentsEntry& entry : contents)
        out.write(QStringLiteral("%1\t%2\t%3\n").arg(entry.level).arg(entry.page).arg(entry.title).toUtf8());
    if (!out.commit()) {
        std::fprintf(stderr, "torven-mkhelp: cannot write %s: %s\n", qPrintable(path), qPrintable(out.errorString()));
        return false;
    }
    return true;
}

// Draws one page's furniture: the running title (not on the first page) and the page number.
void drawPageFurniture(QPainter& painter, const QRectF& page, const QRectF& body, int pageNumber, int pageCount,
                       const QString& title)
{
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(11);
    painter.setFont(small);
    painter.setPen(QColor(90, 90, 100));
    const double footerTop = body.bottom() + mmToLayout(kFooterGapMm) / 2;
    const QRectF footer(body.left(), footerTop, body.width(), mmToLayout(kFooterGapMm));
    painter.drawText(footer, Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("Page %1 of %2").arg(pageNumber).arg(pageCount));
    if (pageNumber > 1) {
        const QRectF header(body.left(), mmToLayout(kMarginMm / 2), body.width(), mmToLayout(kMarginMm / 2));
        painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, title);
        painter.setPen(QPen(kRuleColour, 0.6));
        painter.drawLine(QPointF(body.left(), header.bottom()), QPointF(body.right(), header.bottom()));
    }
    (void)page;
}

// SOURCE_DATE_EPOCH, when set to a number of seconds: the time the PDF states instead of now.
std::optional<qint64> sourceDateEpoch()
{
    bool ok = false;
    const qint64 seconds = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    if (!ok || seconds < 0)
        return std::nullopt;
    return seconds;
}

// Qt's PDF writer stamps the file with the time of writing (the information dictionary's
// CreationDate, the XMP packet's dates) and with a random document id, so two runs on the
// same manual differ. This puts the given time (in UTC: main() has set TZ to UTC, so the
// zone suffixes Qt wrote are already fixed) and an id made from the rest of the file in their
// place. Every replacement has the length of what it replaces, so the cross-reference
// offsets stay right.
void stampPdf(QByteArray& pdf, qint64 epochSeconds)
{
    const QDateTime when = QDateTime::fromSecsSinceEpoch(epochSeconds, QTimeZone::utc());
    const QByteArray pdfDate = when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    const QByteArray xmpDate = when.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1();
    const auto replaceAll = [&pdf](const QRegularExpression& pattern, int group, const QByteArray& text) {
        QString latin = QString::fromLatin1(pdf);
        for (QRegularExpressionMatchIterator it = pattern.globalMatch(latin); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            pdf.replace(match.capturedStart(group), match.capturedLength(group), text.left(match.capturedLength(group)));
        }
    };
    replaceAll(QRegularExpression(QStringLiteral(R"(/CreationDate \(D:(\d{14}))")), 1, pdfDate);
    replaceAll(QRegularExpression(QStringLiteral(R"(/ModDate \(D:(\d{14}))")), 1, pdfDate);
    replaceAll(QRegularExpression(QStringLiteral(R"((\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)[Z+-])")), 1, xmpDate);

    // The document id (the trailer's /ID and the XMP packet's uuids): blanked, then filled
    // from a digest of the whole file, so that it still names this content.
    const QRegularExpression idHex(QStringLiteral(R"(/ID\s*\[\s*<([0-9A-Fa-f]{32})>\s*<([0-9A-Fa-f]{32})>)"));
    const QRegularExpression uuid(QStringLiteral(R"(uuid:([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}))"));
    const QByteArray zeros(32, '0');
    replaceAll(idHex, 1, zeros);
    replaceAll(idHex, 2, zeros);
    replaceAll(uuid, 1, QByteArray("00000000-0000-0000-0000-000000000000"));
    const QByteArray digest = QCryptographicHash::hash(pdf, QCryptographicHash::Md5).toHex();
    QByteArray digestUuid = digest;
    digestUuid.insert(20, '-').insert(16, '-').insert(12, '-').insert(8, '-');
    replaceAll(idHex, 1, digest);
    replaceAll(idHex, 2, digest);
    replaceAll(uuid, 1, digestUuid);
}

}  // namespace

int main(int argc, char** argv)
{
    // The tool runs at build time, where there may be no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A reproducible build states its own time, in UTC (see stampPdf).
    const std::optional<qint64> epoch = sourceDateEpoch();
    if (epoch) {
        qputenv("TZ", "UTC");
        tzset();
    }
    // Qt's notes about the session it runs in (no runtime folder and the like) mean nothing
    // here; its warnings about the work itself still show.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith(QLatin1String("QStandardPaths:")))
            return;
        std::fprintf(stderr, "torven-mkhelp: %s\n", qPrintable(message));
    });
    QGuiApplication app(argc, argv);

    const std::optional<Options> options = parseArguments(app.arguments());
    if (!options) {
        usage();
        return 2;
    }

    QFile manualFile(options->manualPath);
    if (!manualFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "torven-mkhelp: cannot read %s: %s\n", qPrintable(options->manualPath),
                     qPrintable(manualFile.errorString()));
        return 1;
    }
    const QString markdown = QString::fromUtf8(manualFile.readAll());

    QTextDocument doc;
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(9.5);
    // Without shaping there are no ligatures, so "fi" stays two letters and the PDF's
    // text can be searched and copied as typed.
    body.setStyleStrategy(QFont::PreferNoShaping);
    doc.setDefaultFont(body);
    doc.setDocumentMargin(0);
    doc.setDefaultStyleSheet(QString());

    int missing = 0;
    Pictures pictures;
    const QString resolved = resolvePictures(markdown, options->imageDir, pictures, missing);
    doc.setMarkdown(resolved, QTextDocument::MarkdownDialectGitHub);
    for (const auto& [url, image] : pictures)
        doc.addResource(QTextDocument::ImageResource, url, image);

    // The first level-1 heading names the manual; it heads every later page.
    QString title = QStringLiteral("TORVEN II");
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() == 1) {
            title = block.text();
            break;
        }

    const QPageLayout pageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
    const QSizeF pageSizeMm = pageLayout.fullRect(QPageLayout::Millimeter).size();
    const QRectF page(0, 0, mmToLayout(pageSizeMm.width()), mmToLayout(pageSizeMm.height()));
    const QRectF textBody = page.adjusted(mmToLayout(kMarginMm), mmToLayout(kMarginMm), -mmToLayout(kMarginMm),
                                          -mmToLayout(kMarginMm + kFooterGapMm / 2));

    styleHeadings(doc);
    styleTables(doc);
    styleCode(doc);
    fitPictures(doc, textBody.width(), textBody.height());
    centreMissingPictures(doc);
    doc.setPageSize(textBody.size());
    const QList<ContentsEntry> contents = insertContents(doc, textBody.width());
    const int pageCount = doc.pageCount();

    QSaveFile out(options->outputPath);
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "torven-mkhelp: cannot write %s: %s\n", qPrintable(options->outputPath),
                     qPrintable(out.errorString()));
        return 1;
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageLayout(pageLayout);
        writer.setResolution(1200);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("torven-mkhelp"));
        QPainter painter(&writer);
        if (!painter.isActive()) {
            std::fprintf(stderr, "torven-mkhelp: cannot start the PDF %s\n", qPrintable(options->outputPath));
            return 1;
        }
        const double scale = writer.resolution() / kLayoutDpi;
        painter.scale(scale, scale);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, Qt::black);
        for (int p = 0; p < pageCount; ++p) {
            if (p > 0)
                writer.newPage();
            painter.save();
            painter.translate(textBody.topLeft());
            const QRectF visible(0, p * textBody.height(), textBody.width(), textBody.height());
            painter.translate(0, -visible.top());
            painter.setClipRect(visible);
            context.clip = visible;
            doc.documentLayout()->draw(&painter, context);
            painter.restore();
            drawPageFurniture(painter, page, textBody, p + 1, pageCount, title);
        }
    }
    if (epoch)
        stampPdf(pdf.buffer(), *epoch);
    if (out.write(pdf.data()) != pdf.data().size() || !out.commit()) {
        std::fprintf(stderr, "torven-mkhelp: cannot write %s: %s\n", qPrintable(options->outputPath),
                     qPrintable(out.errorString()));
        return 1;
    }
    if (!writeContentsFile(options->outputPath, contents))
        return 1;
    if (missing > 0)
        std::fprintf(stderr, "torven-mkhelp: %d picture%s not found in %s; %s shown by caption\n", missing,
                     missing == 1 ? "" : "s", qPrintable(options->imageDir), missing == 1 ? "it is" : "they are");
    return 0;
}

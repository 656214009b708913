#include "app/PictureDialog.h"

#include "picture/Picture.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace tf {

const QString OpenPictureDialogFilter = QStringLiteral(
    "すべて (*.svg;*.wbmp;*.webp;*.svg;*.gif;*.jpg;*.jpeg;*.png;*.bmp;*.ico;*.emf;*.wmf;*.tif;*.tiff)|"
    "*.svg;*.wbmp;*.webp;*.svg;*.gif;*.jpg;*.jpeg;*.png;*.bmp;*.ico;*.emf;*.wmf;*.tif;*.tiff|"
    "Scalable Vector Graphics (*.svg)|*.svg|WBMP Images (*.wbmp)|*.wbmp|WebP Images (*.webp)|*.webp|"
    "Scalable Vector Graphics (*.svg)|*.svg|GIF 画像 (*.gif)|*.gif|JPEG イメージファイル (*.jpg)|*.jpg|"
    "JPEG イメージファイル (*.jpeg)|*.jpeg|Portable Network Graphics (*.png)|*.png|ビットマップ (*.bmp)|*.bmp|"
    "アイコン (*.ico)|*.ico|エンハンス メタファイル (*.emf)|*.emf|メタファイル (*.wmf)|*.wmf|"
    "TIFF 画像 (*.tif)|*.tif|TIFF 画像 (*.tiff)|*.tiff|PIG(*.png)|*.png");

QStringList PictureDialogNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // The label's own "(…)" is replaced by the patterns, so Qt shows and applies the same list.
        QString label = parts[i];
        const qsizetype open = label.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && label.endsWith(QLatin1Char(')')))
            label = label.left(open).trimmed();
        out += QStringLiteral("%1 (%2)").arg(label, QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
    }
    return out;
}

namespace {
// Shows the selected file scaled into a fixed box, or a note when it is not a picture the chart reads.
class PicturePreview : public QLabel {
public:
    explicit PicturePreview(QWidget *parent) : QLabel(parent)
    {
        setObjectName(QStringLiteral("PicturePreview"));
        setFixedSize(200, 200);
        setAlignment(Qt::AlignCenter);
        setFrameShape(QFrame::StyledPanel);
        setWordWrap(true);
        setTextFormat(Qt::PlainText);
    }

    // Decoded as the command decodes it, in the helper process: a file that would crash a reader or never
    // end shows its refusal here instead. A file of another kind shows "(なし)".
    void showFile(const QString &path)
    {
        try {
            const QImage image = ReadPictureFile(path);
            setPixmap(QPixmap::fromImage(image.scaled(size() - QSize(8, 8), Qt::KeepAspectRatio,
                                                      Qt::SmoothTransformation)));
        } catch (const EInvalidGraphic &) {
            setPixmap(QPixmap());
            setText(QStringLiteral("(なし)"));
        } catch (const Error &e) {
            setPixmap(QPixmap());
            setText(QStringLiteral("(なし)\n") + e.message());
        }
    }
};
} // namespace

QString ExecuteOpenPictureDialog(QWidget *parent, const QString &lastFile)
{
    QFileDialog dialog(parent);
    // Qt's own dialog: the platform's has no room for a preview.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(PictureDialogNameFilters());
    if (!lastFile.isEmpty())
        dialog.selectFile(lastFile);
    auto *preview = new PicturePreview(&dialog);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PicturePreview::showFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace tf

#include "app/FontDialog.h"

#include "chart/ChartStyle.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tf {

namespace {

TColor ToTColor(const QColor &c)
{
    return RGBColor(c.red(), c.green(), c.blue());
}

class FontDialog : public QDialog {
public:
    FontDialog(QWidget *parent, const FontChoice &font) : QDialog(parent), m_faceName(font.Name), m_color(font.Color)
    {
        setWindowTitle(QStringLiteral("フォント"));
        m_face = new QFontComboBox(this);
        m_face->setCurrentFont(QFont(font.Name));
        // The list holds the installed families only, so a face such as "ＭＳ ゴシック" selects the family
        // that stands in for it; the box still shows the chart's own name, which stays until another is picked.
        m_face->setEditText(font.Name);
        m_size = new QSpinBox(this);
        m_size->setRange(1, 200);
        m_size->setValue(font.Size);
        const struct {
            TFontStyle style;
            const char16_t *text;
        } styles[] = {{fsBold, u"太字"}, {fsItalic, u"斜体"}, {fsUnderline, u"下線"}, {fsStrikeOut, u"取り消し線"}};
        auto *styleRow = new QHBoxLayout;
        for (const auto &s : styles) {
            auto *box = new QCheckBox(QString::fromUtf16(s.text), this);
            box->setChecked(font.Style & s.style);
            box->setProperty("fontStyle", int(s.style));
            styleRow->addWidget(box);
            m_styles.push_back(box);
        }
        m_colorButton = new QPushButton(QStringLiteral("色..."), this);
        m_sample = new QLabel(QStringLiteral("AaBbYyZz あア亜"), this);
        m_sample->setMinimumHeight(48);

        auto *form = new QFormLayout;
        form->addRow(QStringLiteral("フォント名"), m_face);
        form->addRow(QStringLiteral("サイズ"), m_size);
        form->addRow(QStringLiteral("スタイル"), styleRow);
        form->addRow(QStringLiteral("色"), m_colorButton);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        auto *layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(m_sample);
        layout->addWidget(buttons);

        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_colorButton, &QPushButton::clicked, this, [this] {
            const QColor c = QColorDialog::getColor(ChartColor(m_color), this);
            if (c.isValid())
                m_color = ToTColor(c);
            updateSample();
        });
        connect(m_face, &QComboBox::activated, this, [this](int index) {
            m_faceName = m_face->itemText(index);
            updateSample();
        });
        connect(m_size, &QSpinBox::valueChanged, this, [this] { updateSample(); });
        for (QCheckBox *box : m_styles)
            connect(box, &QCheckBox::toggled, this, [this] { updateSample(); });
        updateSample();
    }

    FontChoice choice() const
    {
        FontChoice font;
        font.Name = m_faceName;
        // A family typed in full counts as picked, even without Enter.
        const int typed = m_face->findText(m_face->currentText(), Qt::MatchFixedString);
        if (m_face->currentText() != m_faceName && typed >= 0)
            font.Name = m_face->itemText(typed);
        font.Size = m_size->value();
        font.Color = m_color;
        font.Style = 0;
        for (const QCheckBox *box : m_styles)
            if (box->isChecked())
                font.Style |= box->property("fontStyle").toInt();
        return font;
    }

private:
    void updateSample()
    {
        QFont f(m_faceName);
        f.setPointSize(m_size->value());
        const FontChoice c = choice();
        f.setBold(c.Style & fsBold);
        f.setItalic(c.Style & fsItalic);
        f.setUnderline(c.Style & fsUnderline);
        f.setStrikeOut(c.Style & fsStrikeOut);
        m_sample->setFont(f);
        QPalette p = m_sample->palette();
        p.setColor(QPalette::WindowText, ChartColor(m_color));
        m_sample->setPalette(p);
    }

    QFontComboBox *m_face;
    QString m_faceName; // the chart's face name until the user picks a family from the list
    QSpinBox *m_size;
    std::vector<QCheckBox *> m_styles;
    QPushButton *m_colorButton;
    QLabel *m_sample;
    TColor m_color;
};

} // namespace

bool ExecuteFontDialog(QWidget *parent, FontChoice &font)
{
    FontDialog dialog(parent, font);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = dialog.choice();
    return true;
}

} // namespace tf

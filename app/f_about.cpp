#include "app/f_about.h"

#include "app/design_scale.h"
#include "app/glyphs.h"
#include "app/program_facts.h"
#include "app/version_info.h"
#include "media/picture_decoders.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

const char* const kMakerCopyright = BIMBALO_COPYRIGHT;
const char* const kMakerEmail = "hello@quillfen.example";
const char* const kMakerWeb = "https://www.quillfen.example/bimbalo";

namespace {

int s(int px)
{
    return ScaleFrom(px, kDesignDpi);
}

QFont sansSerif(int pixelHeight, bool bold = false)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(s(pixelHeight));
    f.setBold(bold);
    return f;
}

QLabel* label(QWidget* parent, const char* name, const QFont& font, Qt::Alignment align)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFont(font);
    l->setAlignment(align);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QString versionValue(const QByteArray& block, const char* name)
{
    QString value;
    if (block.isEmpty())
        return value;
    if (!VerQueryValue(block, QStringLiteral("\\StringFileInfo\\040904e4\\") + QLatin1String(name), value))
        value.clear();
    return value;
}

} // namespace

TForm_about::TForm_about(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form_about"));
    setWindowTitle(tr("About"));
    setFont(sansSerif(14));
    setFixedSize(s(382), s(271));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(s(7), s(10), s(359), s(204));

    auto* outer = new QVBoxLayout(Panel1);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    outer->addLayout(top, 1);

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* p2 = new QVBoxLayout(Panel2);
    p2->setContentsMargins(s(5), s(5), s(5), s(5));
    Image_main = new QLabel(Panel2);
    Image_main->setObjectName(QStringLiteral("Image_main"));
    p2->addWidget(Image_main, 0, Qt::AlignLeft | Qt::AlignTop);
    p2->addStretch(1);
    top->addWidget(Panel2, 0);

    panel_image = new QFrame(Panel1);
    panel_image->setObjectName(QStringLiteral("panel_image"));
    auto* pi = new QVBoxLayout(panel_image);
    pi->setContentsMargins(s(5), s(5), s(5), s(5));
    pi->setSpacing(0);
    l_companyname = label(panel_image, "l_companyname", sansSerif(17, true), Qt::AlignHCenter);
    l_companyname->setContentsMargins(0, s(10), 0, s(10));
    l_appname = label(panel_image, "l_appname", sansSerif(17, true), Qt::AlignHCenter);
    l_appversion = label(panel_image, "l_appversion", font(), Qt::AlignHCenter);
    pi->addWidget(l_companyname);
    pi->addWidget(l_appname);
    pi->addWidget(l_appversion);
    pi->addStretch(1);
    top->addWidget(panel_image, 1);

    l_copyright1 = label(Panel1, "l_copyright1", sansSerif(15), Qt::AlignLeft);
    l_email = label(Panel1, "l_email", sansSerif(15), Qt::AlignLeft);
    l_http = label(Panel1, "l_http", sansSerif(15), Qt::AlignLeft);
    outer->addWidget(l_copyright1);
    outer->addWidget(l_email);
    outer->addWidget(l_http);

    OKButton = new QPushButton(tr("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(s(145), s(225), s(93), s(31));
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TForm_about::OKButtonClick);
}

void TForm_about::OKButtonClick()
{
    accept();
}

void TForm_about::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm_about::setPicture(const QPixmap& picture)
{
    Image_main->setPixmap(picture);
    Image_main->setFixedSize(picture.deviceIndependentSize().toSize());
}

void ShowAboutBox()
{
    ShowAboutBox(QCoreApplication::applicationFilePath());
}

void ShowAboutBox(const QString& exePath)
{
    QByteArray block;
    if (GetFileVersionInfoSize(exePath) != 0)
        block = GetFileVersionInfo(exePath);

    TForm_about box;
    box.l_appname->setText(QApplication::applicationName());

    const QFileInfo exe(exePath);
    const QString pictureFile = exe.dir().filePath(exe.completeBaseName() + QStringLiteral("_icon.bmp"));
    if (QFileInfo::exists(pictureFile)) {
        box.setPicture(QPixmap::fromImage(LoadPicture(QFile::encodeName(pictureFile).toStdString())));
    } else {
        const int size = box.style()->pixelMetric(QStyle::PM_LargeIconSize);
        box.setPicture(QApplication::windowIcon().isNull() ? Glyphs::application().pixmap(size)
                                                           : QApplication::windowIcon().pixmap(size));
    }

    box.l_companyname->setText(versionValue(block, "CompanyName"));
    box.l_appversion->setText(versionValue(block, "FileVersion"));
    const QString copyright = versionValue(block, "LegalCopyRight");
    box.l_copyright1->setText(copyright.isEmpty() ? QString::fromUtf8(kMakerCopyright) : copyright);
    box.l_email->setText(QString::fromUtf8(kMakerEmail));
    box.l_http->setText(QString::fromUtf8(kMakerWeb));
    box.exec();
}

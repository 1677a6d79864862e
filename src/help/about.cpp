// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/about.h"

#include "help/browser.h"
#include "platform/keystore.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QTextDocument>
#include <QtMath>

namespace {

// The program's picture: a small oscilloscope screen with a trace.
QPixmap programIcon()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(0xE0, 0xE0, 0xE0));
    p.drawRoundedRect(QRectF(3, 6, 42, 34), 4, 4);
    p.setPen(QPen(QColor(170, 170, 170), 1));
    for (int i = 1; i < 4; ++i) {
        p.drawLine(QPointF(3 + i * 10.5, 8), QPointF(3 + i * 10.5, 38));
        p.drawLine(QPointF(5, 6 + i * 8.5), QPointF(43, 6 + i * 8.5));
    }
    QPainterPath wave;
    for (int x = 0; x <= 38; ++x) {
        const QPointF pt(5 + x, 23 - 11 * qSin(x / 38.0 * 4 * M_PI));
        x == 0 ? wave.moveTo(pt) : wave.lineTo(pt);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0x80), 2));
    p.drawPath(wave);
    return pm;
}

void sysInfoUnavailable()
{
    MsgBox(QStringLiteral("System Information Is Unavailable At This Time"), MsgButtons::OK, MsgIcon::None,
           About::ProductTitle());
}

}  // namespace

namespace About {

QString ProductTitle()
{
    return Language::AppTitle();
}

QUrl WebPage()
{
    return HelpPage::Url();
}

void StartSysInfo()
{
    QString path;
    if (!GetKeyValue(KeyRoot::LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                     QStringLiteral("PATH"), path)) {
        QString folder;
        if (GetKeyValue(KeyRoot::LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                        QStringLiteral("MSINFO"), folder)
            && QFileInfo::exists(folder + QStringLiteral("/MSINFO32.EXE"))) {
            path = folder + QStringLiteral("/MSINFO32.EXE");
        } else {
            sysInfoUnavailable();
            return;
        }
    }
    if (path.isEmpty() || !QProcess::startDetached(path, {}))
        sysInfoUnavailable();
}

}  // namespace About

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(programIcon());
    picIcon->setAlignment(Qt::AlignTop);

    lblTitle = new QLabel(About::ProductTitle(), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(tr("Версия ") + QStringLiteral(SIGM_VERSION), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription = new QLabel(tr("Запоминающий осциллограф на звуковой карте компьютера:\n"
                                               "два луча, запись осциллограмм до одной минуты,\n"
                                               "просмотр, сохранение и печать WAV-осциллограмм."),
                                this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));

    const QUrl page = About::WebPage();
    const QString shown = page.isLocalFile() ? QDir::toNativeSeparators(page.toLocalFile()) : page.toString();
    Label1 = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(page.toString().toHtmlEscaped(), shown.toHtmlEscaped()),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::RichText);
    Label1->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    Label1->setToolTip(Qt::convertFromPlainText(page.toString()));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(tr("&Информация  о системе"), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, 4, 1);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(Label1, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdOK);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
    connect(Label1, &QLabel::linkActivated, this, [this] { Label1_Click(); });
    Form_Load();
}

void frmAbout::Form_Load()
{
    setWindowTitle(tr("О программе ") + About::ProductTitle());
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    About::StartSysInfo();
}

void frmAbout::Label1_Click()
{
    // The link is the help page: without a browser (or without the page)
    // it says so exactly as the help command does.
    HelpPage::Open();
}

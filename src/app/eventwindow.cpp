// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/eventwindow.h"

#include "app/eventtool.h"
#include "app/windowbounds.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/vbrt.h"

#include <QAbstractTableModel>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("EventIndex");

double readPosition(const QString &key, double fallback)
{
    const QString text = SettingsStore::GetSetting(kApp, kSection, key, QString());
    if (auto v = vb::ParseNumber(text); v && std::fabs(*v) <= 1.5e6)
        return *v;
    return fallback;
}

}  // namespace

// The rows as the tool holds them, formatted only when shown: a list of
// millions costs no more than the screenful seen.
class EventModel : public QAbstractTableModel {
public:
    explicit EventModel(EventTool *tool, QObject *parent) : QAbstractTableModel(parent), tool_(tool) {}
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(shown_); }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 6; }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case 0: return EventWindow::tr("№");
        case 1: return EventWindow::tr("Время, с");
        case 2: return EventWindow::tr("Частота, Гц");
        case 3: return EventWindow::tr("Период, мС");
        case 4: return EventWindow::tr("Размах, В");
        default: return EventWindow::tr("СКЗ, В");
        }
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole || size_t(index.row()) >= tool_->Rows().size())
            return {};
        const EventList::Row &r = tool_->Rows()[size_t(index.row())];
        const double rate = tool_->SampleRate(), v = tool_->VoltsPerUnit();
        const QLocale locale;
        const double period = double(r.interval) / rate;
        switch (index.column()) {
        case 0: return locale.toString(index.row() + 1);
        case 1: return locale.toString(tool_->Seconds(r.position), 'f', 6);
        case 2: return std::isfinite(period) ? locale.toString(1.0 / period, 'g', 6) : QStringLiteral("—");
        case 3: return std::isfinite(period) ? locale.toString(period * 1000, 'g', 6) : QStringLiteral("—");
        case 4: return locale.toString(double(r.maximum - r.minimum) * v, 'g', 4);
        default: return locale.toString(double(r.rms) * v, 'g', 4);
        }
    }
    // Follows the tool: rows added at the end, or a list begun anew.
    void Follow()
    {
        const size_t now = std::min<size_t>(tool_->Rows().size(), size_t(INT32_MAX));
        if (now < shown_) {
            beginResetModel();
            shown_ = now;
            endResetModel();
        } else if (now > shown_) {
            beginInsertRows(QModelIndex(), int(shown_), int(now - 1));
            shown_ = now;
            endInsertRows();
        }
    }

private:
    EventTool *tool_;
    size_t shown_ = 0;
};

EventWindow::EventWindow(EventTool *tool, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool), tool_(tool), main_(mainWindow)
{
    setObjectName(QStringLiteral("EventWindow"));
    setWindowTitle(tr("Указатель запусков"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    model_ = new EventModel(tool, this);
    List = new QTableView(this);
    List->setObjectName(QStringLiteral("EventList"));
    List->setModel(model_);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->verticalHeader()->hide();
    List->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    List->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // Six columns share the width: none hides behind a scroll bar.
    List->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    List->setToolTip(tr("Двойной щелчок — показать запуск на экране"));
    connect(List, &QTableView::doubleClicked, this, [this](const QModelIndex &i) { tool_->Jump(size_t(i.row())); });
    connect(List, &QTableView::activated, this, [this](const QModelIndex &i) { tool_->Jump(size_t(i.row())); });

    Bar = new QProgressBar(this);
    Bar->setRange(0, 1000);
    Bar->setTextVisible(false);
    Status = new QLabel(this);
    Status->setTextFormat(Qt::PlainText);  // it may carry the system's error text
    Status->setWordWrap(true);
    Again = new QPushButton(tr("Искать заново"), this);
    Again->setToolTip(tr("Найти запуски заново с нынешними уровнем, фронтом и каналом синхронизации"));
    Stop = new QPushButton(tr("Прервать"), this);
    Export = new QPushButton(tr("Сохранить CSV…"), this);
    connect(Again, &QPushButton::clicked, tool_, &EventTool::Start);
    connect(Stop, &QPushButton::clicked, tool_, &EventTool::Cancel);
    connect(Export, &QPushButton::clicked, this, &EventWindow::exportCsv);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Bar, 1);
    buttons->addWidget(Stop);
    buttons->addWidget(Again);
    buttons->addWidget(Export);
    auto *box = new QVBoxLayout(this);
    box->addWidget(List, 1);
    box->addWidget(Status);
    box->addLayout(buttons);
    resize(680, 360);
    connect(tool_, &EventTool::Changed, this, &EventWindow::update);
    update();
}

EventWindow::~EventWindow() = default;

void EventWindow::Place()
{
    const QPoint beside = main_ ? main_->geometry().topRight() + QPoint(8, 0) : QPoint(0, 0);
    const double left = readPosition(QStringLiteral("XPosition"), Twips::FromPixels(beside.x()));
    const double top = readPosition(QStringLiteral("YPosition"), Twips::FromPixels(beside.y()));
    std::vector<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    const QRect wanted(Twips::ToPixels(left), Twips::ToPixels(top), width(), height());
    move(WindowBounds::Fit(wanted, screens).topLeft());
    show();
}

void EventWindow::update()
{
    model_->Follow();
    const double progress = tool_->Progress();
    Bar->setVisible(progress >= 0);
    Stop->setVisible(progress >= 0);
    if (progress >= 0)
        Bar->setValue(int(progress * 1000));
    Again->setEnabled(progress < 0);
    Export->setEnabled(progress < 0 && !tool_->Rows().empty());
    const QLocale locale;
    const QString count = locale.toString(qlonglong(tool_->Rows().size()));
    QString text;
    if (!tool_->Problem().isEmpty())
        text = tool_->Problem();
    else if (progress >= 0)
        text = tr("Поиск запусков: %1 %, найдено %2").arg(int(progress * 100)).arg(count);
    else if (tool_->Full())
        text = tr("Найдено больше %1 запусков: показаны первые %1.").arg(count);
    else if (tool_->Complete())
        text = tool_->Rows().empty() ? tr("Запусков нет: сигнал ни разу не пересёк уровень синхронизации.")
                                     : tr("Запусков: %1.").arg(count);
    Status->setText(text);
}

void EventWindow::exportCsv()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Сохранить список запусков"),
                                                      QDir::home().filePath(QStringLiteral("events.csv")),
                                                      tr("Таблица CSV (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!tool_->SaveCsv(path, &error))
        MsgBox(tr("Список запусков не сохранён: %1").arg(error), MsgButtons::OK, MsgIcon::Critical,
               Language::AppTitle());
}

void EventWindow::closeEvent(QCloseEvent *event)
{
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("XPosition"), vb::FormatSingle(Twips::FromPixels(x())));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("YPosition"), vb::FormatSingle(Twips::FromPixels(y())));
    event->accept();
    emit Closed();
}

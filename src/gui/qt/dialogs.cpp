#include "gui/qt/dialogs.h"

#include <algorithm>

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/qt/icons.h"
#include "gui/qt/text.h"
#include "scan/scan_context.h"

namespace quellon::gui {
namespace {

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    for (QPushButton* b : buttons) {
        b->setMinimumWidth(90);
        row->addWidget(b);
    }
    return row;
}

}  // namespace

WindowDialog::WindowDialog(ui::Window& model, const QString& name, Showing showing, QWidget* parent)
    : QDialog(parent), model_(model), showing_(showing) {
    setObjectName(name);
    setWindowIcon(AppIcon());
    setSizeGripEnabled(true);
    frontRequests_ = model_.FrontRequests();
    bind_.Watch(model_, [this] { Follow(); });
}

WindowDialog::~WindowDialog() = default;

void WindowDialog::Follow() {
    const QString title = ToQt(model_.Caption());
    if (windowTitle() != title) {
        setWindowTitle(title);
    }
    following_ = true;
    if (!model_.Visible()) {
        if (isVisible()) {
            done(QDialog::Accepted);
        }
    } else if (showing_ == Showing::kWithModel && !isVisible()) {
        show();
    }
    following_ = false;
    if (model_.FrontRequests() != frontRequests_) {
        frontRequests_ = model_.FrontRequests();
        BringToFront();
    }
}

void WindowDialog::RunModal() {
    if (!model_.Visible()) {
        return;
    }
    if (isVisible()) {
        // Shown without a modal loop: shown again with one.
        following_ = true;
        hide();
        following_ = false;
    }
    exec();
    if (model_.Visible()) {
        model_.SetVisible(false);
    }
}

void WindowDialog::BringToFront() {
    if (!isVisible()) {
        return;
    }
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void WindowDialog::done(int result) {
    QDialog::done(result);
    // Closed by the user: the model is hidden as its own button would.
    if (!following_ && model_.Visible()) {
        model_.SetVisible(false);
    }
}

WindowDialog* MakeDeleteDialog(removal::FrmDelete& form, QWidget* parent) {
    auto* dialog = new WindowDialog(form, QStringLiteral("frmDelete"),
                                    WindowDialog::Showing::kWithModel, parent);
    Binder& bind = dialog->Bindings();
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(16, 16, 16, 12);
    column->setSpacing(10);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    auto* icon = new QLabel;
    const int side = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    QLabel* first = bind.Label(form.Label1, QStringLiteral("Label1"));
    first->setWordWrap(true);
    top->addWidget(first, 1);
    column->addLayout(top);

    QTreeWidget* list = bind.List(form.lstProblem, QStringLiteral("lstProblem"), false);
    list->setMinimumHeight(140);
    column->addWidget(list, 1);

    QLabel* second = bind.Label(form.Label2, QStringLiteral("Label2"));
    second->setWordWrap(true);
    column->addWidget(second);

    QPushButton* copy = bind.PushButton(form.Command2, QStringLiteral("Command2"));
    QPushButton* ok = bind.PushButton(form.Command1, QStringLiteral("Command1"));
    ok->setDefault(true);
    column->addLayout(ButtonRow({copy, ok}));
    dialog->resize(560, 380);
    return dialog;
}

WindowDialog* MakeReportDialog(report::FrmReport& form, QWidget* parent) {
    auto* dialog =
        new WindowDialog(form, QStringLiteral("frmReport"), WindowDialog::Showing::kModal, parent);
    Binder& bind = dialog->Bindings();
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);

    QPlainTextEdit* text = bind.Text(form.txtReport, QStringLiteral("txtReport"));
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    column->addWidget(text, 1);

    QPushButton* ok = bind.PushButton(form.cmdOk, QStringLiteral("cmdOk"));
    ok->setDefault(true);
    column->addLayout(ButtonRow({ok}));
    dialog->resize(680, 520);
    return dialog;
}

namespace {

// The shields' alerts are set in Verdana where the system has it.
void UseAlertFont(QWidget* dialog) {
    if (QFontDatabase::hasFamily(QStringLiteral("Verdana"))) {
        QFont font(QStringLiteral("Verdana"));
        font.setPointSizeF(dialog->font().pointSizeF());
        dialog->setFont(font);
    }
}

QLabel* AlertHeading(Binder& bind, ui::Label& model, const QString& name) {
    QLabel* label = bind.Label(model, name);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #a4161a;"));
    return label;
}

}  // namespace

WindowDialog* MakeSpywareAlertDialog(protection::FrmSpywareFoundAlert& form, QWidget* parent) {
    auto* dialog = new WindowDialog(form, QStringLiteral("frmSpywareFoundAlert"),
                                    WindowDialog::Showing::kWithModel, parent);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    UseAlertFont(dialog);
    Binder& bind = dialog->Bindings();
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(18, 16, 18, 14);
    column->setSpacing(10);

    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    auto* icon = new QLabel;
    const int side = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog->style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(side));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* heading = new QVBoxLayout;
    heading->addWidget(AlertHeading(bind, form.lblProductName, QStringLiteral("lblProductName")));
    heading->addWidget(bind.Label(form.Label1, QStringLiteral("Label1")));
    top->addLayout(heading, 1);
    column->addLayout(top);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->addWidget(bind.Label(form.SkinLabel4, QStringLiteral("SkinLabel4")), 0, 0);
    QLabel* file = bind.Label(form.lblAlertFileName, QStringLiteral("lblAlertFileName"));
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = file->font();
    bold.setBold(true);
    file->setFont(bold);
    grid->addWidget(file, 0, 1);
    grid->addWidget(bind.Label(form.SkinLabel5, QStringLiteral("SkinLabel5")), 1, 0);
    QLabel* company = bind.Label(form.lblAlertCompanyName, QStringLiteral("lblAlertCompanyName"));
    company->setFont(bold);
    grid->addWidget(company, 1, 1);
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);

    column->addWidget(bind.Label(form.SkinLabel2, QStringLiteral("SkinLabel2")));
    column->addWidget(bind.Label(form.SkinLabel3, QStringLiteral("SkinLabel3")));
    QPushButton* stop = bind.PushButton(form.cmdYes, QStringLiteral("cmdYes"));
    QPushButton* allow = bind.PushButton(form.cmdNO, QStringLiteral("cmdNO"));
    stop->setDefault(true);
    column->addLayout(ButtonRow({stop, allow}));
    dialog->resize(460, 250);
    return dialog;
}

WindowDialog* MakeHomePageAlertDialog(protection::FrmHomePageChangedAlert& form, QWidget* parent) {
    auto* dialog = new WindowDialog(form, QStringLiteral("frmHomePageChangedAlert"),
                                    WindowDialog::Showing::kModal, parent);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    UseAlertFont(dialog);
    Binder& bind = dialog->Bindings();
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(18, 16, 18, 14);
    column->setSpacing(12);
    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    auto* icon = new QLabel;
    const int side = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    QLabel* info = bind.Label(form.lblHomePageInfo, QStringLiteral("lblHomePageInfo"));
    info->setWordWrap(true);
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(info, 1);
    column->addLayout(top, 1);
    QPushButton* yes = bind.PushButton(form.cmdYes, QStringLiteral("cmdYes"));
    QPushButton* no = bind.PushButton(form.cmdNO, QStringLiteral("cmdNO"));
    yes->setDefault(true);
    column->addLayout(ButtonRow({yes, no}));
    dialog->resize(480, 260);
    return dialog;
}

WindowDialog* MakeDownloadDialog(update::FrmDownload& form, QWidget* parent) {
    auto* dialog = new WindowDialog(form, QStringLiteral("frmDownload"),
                                    WindowDialog::Showing::kWithModel, parent);
    Binder& bind = dialog->Bindings();
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(18, 16, 18, 16);
    column->setSpacing(10);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(AppIcon().pixmap(40, 40));
    top->addWidget(icon);
    auto* heading = new QLabel(QStringLiteral("Checking for new definitions"));
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    top->addWidget(heading, 1);
    column->addLayout(top);
    QLabel* status = bind.Label(form.lblStatus, QStringLiteral("lblStatus"));
    status->setMinimumWidth(380);
    column->addWidget(status);
    dialog->resize(440, 120);
    return dialog;
}

NoticeWindow::NoticeWindow(update::FrmSignatureUpdated& form)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), form_(form) {
    setObjectName(QStringLiteral("frmSignatureUpdated"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(update::FrmSignatureUpdated::kWidth / 15,
                 update::FrmSignatureUpdated::kHeight / 15);
    setStyleSheet(
        QStringLiteral("QWidget#frmSignatureUpdated { background: #f4f8ff; "
                       "border: 1px solid #2f7bd0; }"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 12, 14, 10);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(AppIcon().pixmap(36, 36));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    QLabel* info = bind_.Label(form_.lblUpdateInfo, QStringLiteral("lblUpdateInfo"));
    info->setWordWrap(true);
    top->addWidget(info, 1);
    column->addLayout(top, 1);
    QPushButton* ok =
        bind_.PushButton(form_.cmdUpdateSuccesfullOK, QStringLiteral("cmdUpdateSuccesfullOK"));
    column->addLayout(ButtonRow({ok}));
    bind_.Watch(form_, [this] { Follow(); });
}

NoticeWindow::~NoticeWindow() = default;

void NoticeWindow::Follow() {
    move(form_.Left() / 15, form_.Top() / 15);
    if (form_.Visible() != isVisible()) {
        setVisible(form_.Visible());
    }
}

std::optional<size_t> ChooseQuarantinedFile(const std::vector<removal::QuarantinedFile>& files,
                                            QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmRestore"));
    dialog.setWindowTitle(QStringLiteral("Restore from Quarantine"));
    dialog.setWindowIcon(AppIcon());
    dialog.setSizeGripEnabled(true);
    auto* column = new QVBoxLayout(&dialog);
    column->setContentsMargins(16, 16, 16, 12);
    column->setSpacing(10);
    auto* note = new QLabel(
        QStringLiteral("Choose the file to put back where it was found. A file already at "
                       "that place is never replaced."));
    note->setWordWrap(true);
    column->addWidget(note);

    auto* list = new QTreeWidget;
    list->setObjectName(QStringLiteral("lstQuarantine"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Original Location"),
                           QStringLiteral("Quarantined")});
    for (size_t i = 0; i < files.size(); ++i) {
        const auto& file = files[i];
        auto* item = new QTreeWidgetItem(list);
        item->setText(0, ToQt(file.name));
        item->setText(1, file.location.empty() ? QStringLiteral("(unknown)") : ToQt(file.location));
        item->setToolTip(1, item->text(1));
        item->setText(2, ToQt(file.quarantinedAt));
        item->setIcon(0, KindIcon(scan::kIconFile));
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
    }
    // The location takes the room left; a long one loses its middle.
    list->setTextElideMode(Qt::ElideMiddle);
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    for (int c : {0, 2}) {
        list->resizeColumnToContents(c);
        header->resizeSection(c, std::min(header->sectionSize(c) + 12, 240));
    }
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    column->addWidget(list, 1);

    auto* restore = new QPushButton(QStringLiteral("Restore"));
    restore->setObjectName(QStringLiteral("cmdRestore"));
    restore->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    column->addLayout(ButtonRow({restore, cancel}));

    QObject::connect(list, &QTreeWidget::itemSelectionChanged, restore, [list, restore] {
        restore->setEnabled(list->currentItem() != nullptr && list->currentItem()->isSelected());
    });
    QObject::connect(list, &QTreeWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    QObject::connect(restore, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (list->topLevelItemCount() > 0) {
        list->setCurrentItem(list->topLevelItem(0));
    }
    restore->setEnabled(list->currentItem() != nullptr);
    dialog.resize(820, 360);

    if (dialog.exec() != QDialog::Accepted || list->currentItem() == nullptr) {
        return std::nullopt;
    }
    const size_t index = list->currentItem()->data(0, Qt::UserRole).toULongLong();
    if (index >= files.size()) {
        return std::nullopt;
    }
    return index;
}

}  // namespace quellon::gui

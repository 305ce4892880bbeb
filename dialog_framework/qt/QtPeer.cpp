#include "dialog_framework/qt/QtPeer.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeView>
#include <algorithm>

#include "dialog_framework/script/ScriptedUser.h"
#include "platform/env/PathMapping.h"

namespace kitroster {

QString ToQt(const CString& text) {
    return QString::fromStdString(Cp1252ToUtf8(text.str()));
}

CString FromQt(const QString& text) {
    std::string out;
    // A character the code page lacks is marked, never turned into '?': data exchange
    // refuses the entry (DataExchange.cpp).
    Utf8ToCp1252(text.toStdString(), &out, kUnheldCharacter);
    return CString(std::move(out));
}

QFont DialogFont(const char* fontName, int pointSize) {
    QFont font = QApplication::font();
    if (fontName && *fontName)
        font.setFamily(QString::fromUtf8(fontName));
    if (pointSize > 0)
        font.setPointSize(pointSize);
    return font;
}

// A list view's rows, read from the control itself: the view asks only for what it
// draws, so a long list costs nothing to fill. The counts are the ones last announced to
// the view; they change only in Reset.
class CListModel : public QAbstractTableModel {
  public:
    explicit CListModel(const CListCtrl& list, QObject* parent)
        : QAbstractTableModel(parent), m_list(list) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_columns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return ToQt(m_list.GetItemText(index.row(), index.column()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= m_columns || section >= m_list.GetColumnCount())
            return {};
        return ToQt(m_list.Columns()[section].heading);
    }
    void Reset() {
        beginResetModel();
        m_rows = m_list.GetItemCount();
        m_columns = m_list.GetColumnCount();
        endResetModel();
    }

  private:
    const CListCtrl& m_list;
    int m_rows = 0;
    int m_columns = 0;
};

namespace {

// The dialog's window. It never closes on its own: keys that end a dialog and the close
// button go to the dialog as the keys a person pressed.
class CDialogWindow : public QDialog {
  public:
    std::function<void(UINT vk, bool ctrl)> onKey;

    void done(int) override {}
    void accept() override {}
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (onKey)
            onKey(VK_ESCAPE, false);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (!_dialog_key(event))
            QDialog::keyPressEvent(event);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && _dialog_key(static_cast<QKeyEvent*>(event)))
            return true;
        return QDialog::eventFilter(watched, event);
    }

  private:
    // The keys the dialog handles before any control: Delete stays with an edit, which
    // uses it on its text.
    bool _dialog_key(QKeyEvent* event) {
        UINT vk = 0;
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                vk = VK_RETURN;
                break;
            case Qt::Key_Escape:
                vk = VK_ESCAPE;
                break;
            case Qt::Key_Insert:
                vk = VK_INSERT;
                break;
            case Qt::Key_Delete:
                vk = VK_DELETE;
                break;
            default:
                return false;
        }
        if (vk == VK_DELETE && qobject_cast<QLineEdit*>(focusWidget()))
            return false;
        if (onKey)
            onKey(vk, event->modifiers().testFlag(Qt::ControlModifier));
        return true;
    }
};

// A group box is only a frame: clicks go through to what lies inside it, and its mnemonic
// moves the focus to the control after it, as a label's does.
class CGroupFrame : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;
    QPointer<QWidget> buddy;

  protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Shortcut) {
            if (buddy)
                buddy->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
        return QGroupBox::event(event);
    }
};

// The report view: double-clicks anywhere (empty space too) go to the dialog, and a
// selection Qt changes while the mouse is pressed is not a person's choice of its own
// (the click that follows is).
class CReportView : public QTreeView {
  public:
    std::function<void(int row, bool ctrl)> onDoubleClick;
    std::function<void()> onPressed;
    bool pressing = false;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        pressing = true;
        QTreeView::mousePressEvent(event);
        pressing = false;
        if (onPressed)
            onPressed();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QModelIndex index = indexAt(event->position().toPoint());
        if (onDoubleClick)
            onDoubleClick(index.isValid() ? index.row() : -1,
                          event->modifiers().testFlag(Qt::ControlModifier));
    }
};

QRect ToQRect(const CRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

bool IsCheckable(EControlClass cls) {
    return cls == EControlClass::RadioButton || cls == EControlClass::CheckBox;
}

int ListViewSelection(const QTreeView& view) {
    QModelIndexList rows = view.selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

// While a person types, the cursor stays where they left it when the dialog adjusts
// the text (upper-cases it, drops a refused key).
void SetEditText(QLineEdit* edit, const QString& text) {
    if (edit->text() == text)
        return;
    int cursor = edit->cursorPosition();
    edit->setText(text);
    if (edit->hasFocus())
        edit->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
}

// Qt cuts text longer than the limit; the limit only stops typing.
void SetEditLimit(QLineEdit* edit, int limit, int textLength) {
    int length = limit > 0 ? std::max(limit, textLength) : 32767;
    if (edit->maxLength() != length)
        edit->setMaxLength(length);
}

class CPushScope {
  public:
    explicit CPushScope(CQtBackend& backend) : m_backend(backend) { m_backend.BeginPush(); }
    ~CPushScope() { m_backend.EndPush(); }
    CPushScope(const CPushScope&) = delete;
    CPushScope& operator=(const CPushScope&) = delete;

  private:
    CQtBackend& m_backend;
};

}  // namespace

CQtPeer::CQtPeer(CQtBackend& backend, CDialog& dialog) : m_backend(backend), m_dialog(dialog) {
    QWidget* parent = nullptr;
    if (CDialog* owner = dialog.GetParentDialog())
        parent = QtWindowOf(*owner);
    auto* window = new CDialogWindow;
    if (parent) {
        window->setParent(parent, window->windowFlags() | Qt::Dialog);
    }
    m_window = window;
    window->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    window->setWindowModality(Qt::ApplicationModal);
    window->setWindowTitle(ToQt(dialog.GetWindowText()));
    if (const SDialogTemplate* tpl = dialog.GetTemplate())
        window->setFont(DialogFont(tpl->fontName, tpl->fontPointSize));
    CRect client;
    dialog.GetClientRect(&client);
    window->setFixedSize(client.Width(), client.Height());
    window->onKey = [this](UINT vk, bool ctrl) {
        if (m_backend.IsPushing())
            return;
        m_dialog.UserKey(vk, ctrl);
        m_backend.SyncAll();
    };

    CPushScope pushing(m_backend);
    m_items.reserve(dialog.Controls().size());
    for (const auto& control : dialog.Controls()) {
        m_items.push_back({control.get(), nullptr});
        _create(m_items.back());
    }
    // A label or group names the control after it: its mnemonic focuses that one.
    for (size_t i = 0; i + 1 < m_items.size(); ++i) {
        if (m_items[i].control->GetWindowText().str().find('&') == std::string::npos)
            continue;
        if (auto* label = qobject_cast<QLabel*>(m_items[i].widget))
            label->setBuddy(m_items[i + 1].widget);
        else if (auto* frame = dynamic_cast<CGroupFrame*>(m_items[i].widget))
            frame->buddy = m_items[i + 1].widget;
    }
    for (auto& item : m_items) {
        // Frames lie under what they frame, whatever the order of the controls.
        if (item.control->GetClass() == EControlClass::GroupBox)
            item.widget->lower();
        _connect(item);
    }
    QObject::connect(qApp, &QApplication::focusChanged, window, [this](QWidget*, QWidget* now) {
        // Only a person moves the focus on its own; with a script, Qt's own moves (a
        // window coming up) are not actions.
        if (m_backend.IsPushing() || m_backend.GetScriptedUser())
            return;
        SItem* item = _item_of(now);
        if (!item || item->control->GetDlgCtrlID() == m_dialog.GetFocusId())
            return;
        int id = item->control->GetDlgCtrlID();
        _input(*item, [this, id] { m_dialog.UserFocus(id); });
    });
}

CQtPeer::~CQtPeer() {
    CPushScope pushing(m_backend);
    delete m_window.data();
}

QWidget* CQtPeer::WidgetOf(int id) const {
    for (const auto& item : m_items)
        if (item.control->GetDlgCtrlID() == id)
            return item.widget;
    return nullptr;
}

CQtPeer::SItem* CQtPeer::_item_of(QWidget* widget) {
    for (; widget && widget != m_window; widget = widget->parentWidget())
        for (auto& item : m_items)
            if (item.widget == widget)
                return &item;
    return nullptr;
}

void CQtPeer::_create(SItem& item) {
    CWnd& control = *item.control;
    QWidget* window = m_window;
    QString text = ToQt(control.GetWindowText());
    uint32_t styles = control.GetStyle();
    QWidget* widget = nullptr;
    switch (control.GetClass()) {
        case EControlClass::PushButton: {
            auto* button = new QPushButton(text, window);
            bool isDefault = (styles & style::kDefPushButton) != 0;
            button->setAutoDefault(isDefault);
            button->setDefault(isDefault);
            widget = button;
            break;
        }
        case EControlClass::RadioButton: {
            auto* radio = new QRadioButton(text, window);
            radio->setAutoExclusive(false);  // the dialog clears the group
            widget = radio;
            break;
        }
        case EControlClass::CheckBox:
            widget = new QCheckBox(text, window);
            break;
        case EControlClass::GroupBox: {
            auto* frame = new CGroupFrame(text, window);
            frame->setAttribute(Qt::WA_TransparentForMouseEvents);
            frame->setFocusPolicy(Qt::NoFocus);
            widget = frame;
            break;
        }
        case EControlClass::Static: {
            auto* label = new QLabel(window);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignTop |
                                (styles & style::kRightAlign ? Qt::AlignRight : Qt::AlignLeft));
            label->setText(text);
            widget = label;
            break;
        }
        case EControlClass::Edit: {
            auto* edit = new QLineEdit(window);
            if (styles & style::kPassword)
                edit->setEchoMode(QLineEdit::Password);
            widget = edit;
            break;
        }
        case EControlClass::ComboBox:
        case EControlClass::DropDownList: {
            auto* combo = new QComboBox(window);
            if (control.GetClass() == EControlClass::ComboBox) {
                combo->setEditable(true);
                combo->setInsertPolicy(QComboBox::NoInsert);
                combo->setCompleter(nullptr);  // typing is the dialog's to complete
            }
            widget = combo;
            break;
        }
        case EControlClass::ListBox:
        case EControlClass::CheckListBox: {
            auto* list = new QListWidget(window);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setUniformItemSizes(true);
            widget = list;
            break;
        }
        case EControlClass::ListView: {
            auto* view = new CReportView;
            view->setParent(window);
            item.model = new CListModel(static_cast<CListCtrl&>(control), view);
            view->setModel(item.model);
            view->setRootIsDecorated(false);
            view->setItemsExpandable(false);
            view->setUniformRowHeights(true);
            view->setAllColumnsShowFocus(true);
            view->setSelectionMode(QAbstractItemView::SingleSelection);
            view->setSelectionBehavior(QAbstractItemView::SelectRows);
            view->setEditTriggers(QAbstractItemView::NoEditTriggers);
            view->setContextMenuPolicy(Qt::CustomContextMenu);
            view->header()->setStretchLastSection(false);
            view->header()->setMinimumSectionSize(0);
            view->header()->setSectionsMovable(false);
            widget = view;
            break;
        }
    }
    widget->setObjectName(QString::number(control.GetDlgCtrlID()));
    widget->setGeometry(ToQRect(control.GetRect()));
    widget->installEventFilter(window);
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        combo->lineEdit()->installEventFilter(window);
    item.widget = widget;
}

void CQtPeer::_connect(SItem& item) {
    QWidget* window = m_window;
    CWnd* control = item.control;
    int id = control->GetDlgCtrlID();
    SItem* self = &item;  // m_items does not grow once the widgets exist
    switch (control->GetClass()) {
        case EControlClass::PushButton:
        case EControlClass::RadioButton:
        case EControlClass::CheckBox:
            QObject::connect(
                static_cast<QAbstractButton*>(item.widget), &QAbstractButton::clicked, window,
                [this, self, id] { _input(*self, [this, id] { m_dialog.UserClick(id); }); });
            break;
        case EControlClass::Edit:
            QObject::connect(static_cast<QLineEdit*>(item.widget), &QLineEdit::textEdited, window,
                             [this, self, id](const QString& text) {
                                 _input(*self, [&] { m_dialog.UserType(id, FromQt(text)); });
                             });
            break;
        case EControlClass::ComboBox:
        case EControlClass::DropDownList: {
            auto* combo = static_cast<QComboBox*>(item.widget);
            if (combo->lineEdit()) {
                QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, window,
                                 [this, self, id](const QString& text) {
                                     _input(*self, [&] { m_dialog.UserType(id, FromQt(text)); });
                                 });
            }
            QObject::connect(combo, &QComboBox::activated, window, [this, self, id](int row) {
                _input(*self, [&] { m_dialog.UserChoose(id, row); });
            });
            break;
        }
        case EControlClass::ListBox:
        case EControlClass::CheckListBox: {
            auto* list = static_cast<QListWidget*>(item.widget);
            auto* lines = static_cast<CListBase*>(control);
            // A press changes the current row before the click: one choice, not two.
            auto choose = [this, self, id, lines](int row) {
                if (row >= 0 && row != lines->GetCurSel())
                    _input(*self, [&] { m_dialog.UserChoose(id, row); });
            };
            QObject::connect(list, &QListWidget::currentRowChanged, window, choose);
            QObject::connect(list, &QListWidget::itemClicked, window,
                             [list, choose](QListWidgetItem* line) { choose(list->row(line)); });
            QObject::connect(
                list, &QListWidget::itemDoubleClicked, window,
                [this, self, id, list](QListWidgetItem* line) {
                    bool ctrl = QApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
                    int row = list->row(line);
                    _input(*self, [&] { m_dialog.UserDoubleClick(id, row, ctrl); });
                });
            if (auto* checks = dynamic_cast<CCheckListBox*>(control)) {
                QObject::connect(list, &QListWidget::itemChanged, window,
                                 [this, self, id, list, checks](QListWidgetItem* line) {
                                     int row = list->row(line);
                                     bool on = line->checkState() == Qt::Checked;
                                     if (row < 0 || on == (checks->GetCheck(row) != 0))
                                         return;
                                     _input(*self, [&] { m_dialog.UserCheck(id, row, on); });
                                 });
            }
            break;
        }
        case EControlClass::ListView: {
            auto* view = static_cast<CReportView*>(item.widget);
            auto* list = static_cast<CListCtrl*>(control);
            QObject::connect(view, &QTreeView::clicked, window,
                             [this, self, id](const QModelIndex& index) {
                                 if (index.isValid())
                                     _input(*self, [&] { m_dialog.UserChoose(id, index.row()); });
                             });
            // Moving with the keys chooses the row the keys reach.
            QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged,
                             window, [this, self, id, view, list](const QModelIndex& current) {
                                 if (view->pressing || !current.isValid() ||
                                     current.row() == list->GetSelectionMark())
                                     return;
                                 _input(*self, [&] { m_dialog.UserChoose(id, current.row()); });
                             });
            QObject::connect(view, &QWidget::customContextMenuRequested, window,
                             [this, self, id, view](const QPoint& at) {
                                 QModelIndex index = view->indexAt(at);
                                 QPoint offset = view->viewport()->mapTo(view, at);
                                 _input(*self, [&] {
                                     m_dialog.UserRightClick(id, index.isValid() ? index.row() : -1,
                                                             CPoint{offset.x(), offset.y()});
                                 });
                             });
            view->onDoubleClick = [this, self, id](int row, bool ctrl) {
                _input(*self, [&] { m_dialog.UserDoubleClick(id, row, ctrl); });
            };
            // A press on empty space clears Qt's selection; the dialog's stays.
            view->onPressed = [this, self] {
                if (!m_backend.IsPushing())
                    _input(*self, [] {});
            };
            break;
        }
        case EControlClass::GroupBox:
        case EControlClass::Static:
            break;
    }
}

void CQtPeer::_input(SItem& item, const std::function<void()>& action) {
    if (m_backend.IsPushing())
        return;
    action();
    m_backend.SyncAll();
    CPushScope pushing(m_backend);
    _push(item, change::kText | change::kState | change::kSelection | change::kLines);
    _push_focus();
}

void CQtPeer::Show() {
    CPushScope pushing(m_backend);
    m_window->show();
    m_window->activateWindow();
    _push_focus();
}

void CQtPeer::Sync() {
    {
        CPushScope pushing(m_backend);
        unsigned dialogChanges = m_dialog.TakeDialogChanges();
        if (dialogChanges & change::kTitle)
            m_window->setWindowTitle(ToQt(m_dialog.GetWindowText()));
        for (auto& item : m_items)
            if (unsigned changes = item.control->TakeChanges())
                _push(item, changes);
        // Hiding or disabling the focused widget makes Qt move the focus on its own.
        _push_focus();
    }
    if (m_backend.Options().verifyMirror)
        _verify();
}

bool CQtPeer::Shot(const std::string& file) {
    return m_window && m_window->grab().save(ToQt(CString(file)), "PNG");
}

void CQtPeer::_push(SItem& item, unsigned changes) {
    CWnd& control = *item.control;
    QWidget* widget = item.widget;
    QSignalBlocker blocker(widget);
    if (changes & change::kGeometry) {
        QRect rect = ToQRect(control.GetRect());
        if (widget->geometry() != rect)
            widget->setGeometry(rect);
    }
    if (changes & change::kState) {
        bool visible = control.IsWindowVisible() != 0;
        if (widget->isHidden() == visible)
            widget->setHidden(!visible);
        bool enabled = control.IsWindowEnabled() != 0;
        if (widget->isEnabled() != enabled)
            widget->setEnabled(enabled);
    }
    QString text = ToQt(control.GetWindowText());
    switch (control.GetClass()) {
        case EControlClass::PushButton:
        case EControlClass::RadioButton:
        case EControlClass::CheckBox: {
            auto* button = static_cast<QAbstractButton*>(widget);
            if ((changes & change::kText) && button->text() != text)
                button->setText(text);
            bool checked = static_cast<CButton&>(control).GetCheck() != 0;
            if ((changes & change::kState) && IsCheckable(control.GetClass()) &&
                button->isChecked() != checked)
                button->setChecked(checked);
            break;
        }
        case EControlClass::GroupBox:
            if ((changes & change::kText) && static_cast<QGroupBox*>(widget)->title() != text)
                static_cast<QGroupBox*>(widget)->setTitle(text);
            break;
        case EControlClass::Static:
            if ((changes & change::kText) && static_cast<QLabel*>(widget)->text() != text)
                static_cast<QLabel*>(widget)->setText(text);
            break;
        case EControlClass::Edit: {
            auto* edit = static_cast<QLineEdit*>(widget);
            auto& model = static_cast<CEdit&>(control);
            if (changes & (change::kState | change::kText)) {
                if (edit->isReadOnly() != model.IsReadOnly())
                    edit->setReadOnly(model.IsReadOnly());
                SetEditLimit(edit, model.GetLimitText(), static_cast<int>(text.size()));
                SetEditText(edit, text);
            }
            break;
        }
        case EControlClass::ComboBox:
        case EControlClass::DropDownList: {
            auto* combo = static_cast<QComboBox*>(widget);
            auto& model = static_cast<CComboBox&>(control);
            if (!(changes & (change::kLines | change::kSelection | change::kText)))
                break;
            QSignalBlocker editBlocker(combo->lineEdit());
            if (changes & change::kLines)
                _push_lines(item);
            // The selection first: choosing a line replaces the edit part's text.
            if (combo->currentIndex() != model.GetCurSel())
                combo->setCurrentIndex(model.GetCurSel());
            if (combo->lineEdit())
                SetEditText(combo->lineEdit(), text);
            break;
        }
        case EControlClass::ListBox:
        case EControlClass::CheckListBox: {
            auto* list = static_cast<QListWidget*>(widget);
            int selected = static_cast<CListBase&>(control).GetCurSel();
            if (changes & change::kLines)
                _push_lines(item);
            if (changes & (change::kLines | change::kSelection)) {
                if (selected < 0) {
                    list->setCurrentRow(-1);
                    list->clearSelection();
                } else if (selected < list->count() && (list->currentRow() != selected ||
                                                        !list->item(selected)->isSelected())) {
                    list->setCurrentRow(selected);
                }
            }
            break;
        }
        case EControlClass::ListView:
            _push_list_view(item, changes);
            break;
    }
}

void CQtPeer::_push_lines(SItem& item) {
    const auto& model = static_cast<const CListBase&>(*item.control);
    const std::vector<CString>& lines = model.Lines();
    int count = static_cast<int>(lines.size());
    if (auto* combo = qobject_cast<QComboBox*>(item.widget)) {
        if (combo->count() != count) {
            combo->clear();
            QStringList texts;
            texts.reserve(count);
            for (const auto& line : lines)
                texts.push_back(ToQt(line));
            combo->addItems(texts);
        } else {
            for (int i = 0; i < count; ++i)
                if (QString text = ToQt(lines[i]); combo->itemText(i) != text)
                    combo->setItemText(i, text);
        }
        return;
    }
    auto* list = static_cast<QListWidget*>(item.widget);
    auto* checks = dynamic_cast<const CCheckListBox*>(&model);
    // Lines are updated in place when their number stays: a check changed by a click
    // must not delete the line the click is still on.
    if (list->count() != count) {
        list->clear();
        for (const auto& line : lines) {
            auto* entry = new QListWidgetItem(ToQt(line), list);
            if (checks)
                entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        }
    }
    for (int i = 0; i < count; ++i) {
        QListWidgetItem* entry = list->item(i);
        if (QString text = ToQt(lines[i]); entry->text() != text)
            entry->setText(text);
        if (checks) {
            Qt::CheckState state = checks->GetCheck(i) ? Qt::Checked : Qt::Unchecked;
            if (entry->checkState() != state || !entry->data(Qt::CheckStateRole).isValid())
                entry->setCheckState(state);
        }
    }
}

void CQtPeer::_push_list_view(SItem& item, unsigned changes) {
    auto* view = static_cast<QTreeView*>(item.widget);
    auto& list = static_cast<CListCtrl&>(*item.control);
    if (changes & (change::kRows | change::kColumns)) {
        item.model->Reset();
        // A reset forgets the section sizes; a width of 0 keeps the column closed but a
        // person can still drag it open.
        for (int i = 0; i < list.GetColumnCount(); ++i)
            view->header()->resizeSection(i, list.Columns()[i].width);
    }
    if (changes & (change::kRows | change::kColumns | change::kSelection)) {
        int selected = list.GetSelectionMark();
        if (ListViewSelection(*view) != selected ||
            (selected >= 0 && view->currentIndex().row() != selected)) {
            if (selected < 0) {
                view->selectionModel()->clear();
            } else {
                view->selectionModel()->setCurrentIndex(
                    item.model->index(selected, 0),
                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            }
        }
        int scrollTo = list.TakeScrollRequest();
        if (scrollTo >= 0 && scrollTo < item.model->rowCount())
            view->scrollTo(item.model->index(scrollTo, 0));
    }
}

void CQtPeer::_push_focus() {
    int id = m_dialog.GetFocusId();
    QWidget* target = id ? WidgetOf(id) : nullptr;
    if (!target)
        target = m_window;
    QWidget* current = m_window->focusWidget();
    if (current == target || (current && target != m_window && target->isAncestorOf(current)))
        return;
    target->setFocus(Qt::OtherFocusReason);
}

void CQtPeer::_mismatch(const SItem& item, const char* what) {
    if (CScriptedUser* user = m_backend.GetScriptedUser()) {
        user->Write({{"event", "mismatch"},
                     {"template", m_dialog.GetTemplateId()},
                     {"id", item.control->GetDlgCtrlID()},
                     {"what", what}});
    }
}

void CQtPeer::_verify() {
    if (!m_window)
        return;
    for (const SItem& item : m_items) {
        const CWnd& control = *item.control;
        const QWidget* widget = item.widget;
        QString text = ToQt(control.GetWindowText());
        if (widget->isHidden() == (control.IsWindowVisible() != 0))
            _mismatch(item, "visible");
        if (widget->isEnabled() != (control.IsWindowEnabled() != 0))
            _mismatch(item, "enabled");
        if (widget->geometry() != ToQRect(control.GetRect()))
            _mismatch(item, "geometry");
        switch (control.GetClass()) {
            case EControlClass::PushButton:
            case EControlClass::RadioButton:
            case EControlClass::CheckBox: {
                auto* button = static_cast<const QAbstractButton*>(widget);
                if (button->text() != text)
                    _mismatch(item, "text");
                if (IsCheckable(control.GetClass()) &&
                    button->isChecked() != (static_cast<const CButton&>(control).GetCheck() != 0))
                    _mismatch(item, "checked");
                break;
            }
            case EControlClass::GroupBox:
                if (static_cast<const QGroupBox*>(widget)->title() != text)
                    _mismatch(item, "text");
                break;
            case EControlClass::Static:
                if (static_cast<const QLabel*>(widget)->text() != text)
                    _mismatch(item, "text");
                break;
            case EControlClass::Edit: {
                auto* edit = static_cast<const QLineEdit*>(widget);
                if (edit->text() != text)
                    _mismatch(item, "text");
                if (edit->isReadOnly() != static_cast<const CEdit&>(control).IsReadOnly())
                    _mismatch(item, "readonly");
                break;
            }
            case EControlClass::ComboBox:
            case EControlClass::DropDownList: {
                auto* combo = static_cast<const QComboBox*>(widget);
                const auto& model = static_cast<const CComboBox&>(control);
                if (combo->currentText() != text)
                    _mismatch(item, "text");
                bool same = combo->count() == model.GetCount();
                for (int i = 0; same && i < model.GetCount(); ++i)
                    same = combo->itemText(i) == ToQt(model.Lines()[i]);
                if (!same)
                    _mismatch(item, "lines");
                if (combo->currentIndex() != model.GetCurSel())
                    _mismatch(item, "selection");
                break;
            }
            case EControlClass::ListBox:
            case EControlClass::CheckListBox: {
                auto* list = static_cast<const QListWidget*>(widget);
                const auto& model = static_cast<const CListBase&>(control);
                auto* checks = dynamic_cast<const CCheckListBox*>(&control);
                bool same = list->count() == model.GetCount();
                bool checksSame = true;
                for (int i = 0; same && i < model.GetCount(); ++i) {
                    same = list->item(i)->text() == ToQt(model.Lines()[i]);
                    if (checks)
                        checksSame = checksSame && (list->item(i)->checkState() == Qt::Checked) ==
                                                       (checks->GetCheck(i) != 0);
                }
                if (!same)
                    _mismatch(item, "lines");
                if (!checksSame)
                    _mismatch(item, "checks");
                QList<QListWidgetItem*> selected = list->selectedItems();
                int row = selected.isEmpty() ? -1 : list->row(selected.front());
                if (row != model.GetCurSel())
                    _mismatch(item, "selection");
                break;
            }
            case EControlClass::ListView: {
                auto* view = static_cast<const QTreeView*>(widget);
                const auto& list = static_cast<const CListCtrl&>(control);
                if (item.model->rowCount() != list.GetItemCount())
                    _mismatch(item, "rows");
                bool same = item.model->columnCount() == list.GetColumnCount() &&
                            view->header()->count() == list.GetColumnCount();
                for (int i = 0; same && i < list.GetColumnCount(); ++i)
                    same = view->header()->sectionSize(i) == list.Columns()[i].width &&
                           item.model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString() ==
                               ToQt(list.Columns()[i].heading);
                if (!same)
                    _mismatch(item, "columns");
                if (ListViewSelection(*view) != list.GetSelectionMark())
                    _mismatch(item, "selection");
                break;
            }
        }
    }
}

}  // namespace kitroster

#include "ComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QVariant>

namespace fw {

namespace {

constexpr int kItemDataRole = Qt::UserRole + 1;

// Whether the popup in front is the list's own drop-down.
bool isOpen(const QComboBox& list)
{
    const QWidget* popup = QApplication::activePopupWidget();
    return popup && popup->parentWidget() == &list;
}

// Keys with which QComboBox would step a closed list to another entry.
bool isStepKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

// A key with which QComboBox would search a closed list (Space opens it).
bool isSearchText(const QString& text)
{
    return !text.isEmpty() && text.at(0).isPrint() && text.at(0) != QLatin1Char(' ');
}

bool keepKeyFromClosedList(QComboBox& list, QKeyEvent& key)
{
    if (list.isEditable() || isOpen(list))
        return false;
    if (isStepKey(key.key())) {
        list.showPopup();
        key.accept();
        return true;
    }
    if (!isSearchText(key.text()))
        return false;
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        key.ignore(); // for the list's parents
        return true;
    }
    list.showPopup();
    if (isOpen(list)) {
        // The letter searches the open list, as if typed there.
        QKeyEvent typed(key.type(), key.key(), key.modifiers(), key.text(), key.isAutoRepeat(),
                        key.count());
        QCoreApplication::sendEvent(list.view(), &typed);
    }
    key.accept();
    return true;
}

} // namespace

bool keepClosedListUnchanged(QComboBox& list, QEvent& event)
{
    switch (event.type()) {
    case QEvent::Wheel:
        event.ignore();
        return true;
    case QEvent::KeyPress:
        return keepKeyFromClosedList(list, static_cast<QKeyEvent&>(event));
    default:
        return false;
    }
}

ListEntries::ListEntries(QObject* parent) : QAbstractListModel(parent) {}

ListEntries::~ListEntries() = default;

int ListEntries::add(const std::string& text, uintptr_t data)
{
    const int index = count();
    beginInsertRows(QModelIndex(), index, index);
    m_entries.push_back({QString::fromStdString(text), data});
    endInsertRows();
    return index;
}

void ListEntries::releaseLists()
{
    // QComboBox leaves its model's destroyed() by name, looking through all
    // the lists connected to it; the other links go one by one with the list.
    disconnect(this, &QObject::destroyed, nullptr, nullptr);
}

int ListEntries::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ListEntries::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Entry& entry = m_entries[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return entry.text;
    case kItemDataRole:
        return QVariant::fromValue<quintptr>(entry.data);
    default:
        return {};
    }
}

CComboBox::CComboBox(QWidget* control) : m_combo(qobject_cast<QComboBox*>(control)) {}

void CComboBox::ShowEntries(ListEntries& entries)
{
    if (m_combo && m_combo->model() != &entries)
        m_combo->setModel(&entries); // the list's own model goes with it
}

void CComboBox::ownEntries(bool keep)
{
    QAbstractItemModel* shown = m_combo->model();
    if (shown->parent() == m_combo)
        return; // its own: QComboBox's, or a copy made here
    auto* own = new QStandardItemModel(0, 1, m_combo);
    const int rows = keep ? shown->rowCount() : 0;
    for (int row = 0; row < rows; ++row) {
        const QModelIndex entry = shown->index(row, 0);
        auto* item = new QStandardItem(entry.data(Qt::DisplayRole).toString());
        item->setData(entry.data(kItemDataRole), kItemDataRole);
        own->appendRow(item);
    }
    const int current = keep ? m_combo->currentIndex() : -1;
    m_combo->setModel(own);
    m_combo->setCurrentIndex(current);
}

int CComboBox::AddString(const std::string& text)
{
    if (!m_combo)
        return CB_ERR;
    ownEntries(true);
    m_combo->addItem(QString::fromStdString(text));
    return m_combo->count() - 1;
}

int CComboBox::GetCount() const
{
    return m_combo ? m_combo->count() : CB_ERR;
}

void CComboBox::ResetContent()
{
    if (!m_combo)
        return;
    ownEntries(false);
    m_combo->clear();
}

std::string CComboBox::GetLBText(int index) const
{
    if (!m_combo || index < 0 || index >= m_combo->count())
        return {};
    return m_combo->itemText(index).toStdString();
}

int CComboBox::SetCurSel(int index)
{
    if (!m_combo)
        return CB_ERR;
    if (index < 0 || index >= m_combo->count()) {
        m_combo->setCurrentIndex(-1);
        return CB_ERR;
    }
    m_combo->setCurrentIndex(index);
    return index;
}

int CComboBox::GetCurSel() const
{
    if (!m_combo || m_combo->currentIndex() < 0)
        return CB_ERR;
    return m_combo->currentIndex();
}

int CComboBox::SetItemData(int index, uintptr_t data)
{
    if (!m_combo || index < 0 || index >= m_combo->count())
        return CB_ERR;
    ownEntries(true);
    m_combo->setItemData(index, QVariant::fromValue<quintptr>(data), kItemDataRole);
    return 0;
}

uintptr_t CComboBox::GetItemData(int index) const
{
    if (!m_combo || index < 0 || index >= m_combo->count())
        return static_cast<uintptr_t>(CB_ERR);
    return m_combo->itemData(index, kItemDataRole).value<quintptr>();
}

void* CComboBox::GetItemDataPtr(int index) const
{
    if (!m_combo || index < 0 || index >= m_combo->count())
        return nullptr;
    return reinterpret_cast<void*>(m_combo->itemData(index, kItemDataRole).value<quintptr>());
}

void CComboBox::ShowDropDown(bool show)
{
    if (!m_combo)
        return;
    if (show)
        m_combo->showPopup();
    else
        m_combo->hidePopup();
}

int CComboBox::FindString(int startAfter, const std::string& text) const
{
    if (!m_combo)
        return CB_ERR;
    const int count = m_combo->count();
    if (count == 0)
        return CB_ERR;
    const QString prefix = QString::fromStdString(text);
    const int first = (startAfter < 0 || startAfter >= count) ? 0 : startAfter + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        if (m_combo->itemText(index).startsWith(prefix, Qt::CaseInsensitive))
            return index;
    }
    return CB_ERR;
}

} // namespace fw

#include "FileListModel.h"

#include <QApplication>
#include <QColor>
#include <QPalette>

#include "Icons.h"

namespace scrivtar::ui {

const std::array<int, FileListModel::kColumnCount> FileListModel::kColumnWidths = {40, 100, 300, 62,
                                                                                   40, 300, 300};

FileListModel::FileListModel(FileList& list, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      stateIcons_{SvgIcon("state-new"), SvgIcon("state-ok"), SvgIcon("state-failed")} {}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.entries().size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(list_.entries().size())) return {};
  const FileEntry& entry = list_.entries()[index.row()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      switch (index.column()) {
        case 1:
          return QString::fromStdString(entry.Name);
        case 2:
          return QString::fromStdString(entry.Source);
        case 3:
          return QString::fromStdString(entry.Size);
        case 4:
          return QString::fromStdString(entry.Type);
        case 5:
          return QString::fromStdString(entry.Target);
        case 6:
          return QString::fromStdString(entry.Message);
        default:
          return {};
      }
    case Qt::DecorationRole:
      if (index.column() == 0 && entry.State >= 0 && entry.State <= 2)
        return stateIcons_[entry.State];
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == 3) return int(Qt::AlignRight | Qt::AlignVCenter);
      return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      // Even rows (the first, third, ...) in the tooltip colour, odd rows in white.
      if (index.row() % 2 == 0) return QApplication::palette().color(QPalette::ToolTipBase);
      return QColor(Qt::white);
    case Qt::ForegroundRole:
      return QColor(Qt::black);
    default:
      return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return caption(section);
  if (role == Qt::TextAlignmentRole && section == 3) return int(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // read-only
}

QString FileListModel::caption(int column) const {
  return QString::fromStdString(list_.Captions()[column]);
}

void FileListModel::CaptionsChanged() {
  emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void FileListModel::Reset() {
  beginResetModel();
  endResetModel();
}

void FileListModel::RowAppended() {
  const int row = static_cast<int>(list_.entries().size()) - 1;
  beginInsertRows({}, row, row);
  endInsertRows();
}

void FileListModel::RowChanged(int row) {
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

}  // namespace scrivtar::ui

// The file list as a Qt table model over the core's list: seven columns, the state icon, the
// header captions with their sort markers. The entries stay the core's; the model only
// reads them and is told when they change.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <array>
#include <vector>

#include "FileList.h"

namespace scrivtar::ui {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kColumnCount = 7;
  static const std::array<int, kColumnCount> kColumnWidths;

  explicit FileListModel(FileList& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The list's caption, with its sort marker.
  QString caption(int column) const;
  void CaptionsChanged();

  // After the core changed the entries: all of them, or one row.
  void Reset();
  void RowChanged(int row);
  // The core has just appended one entry.
  void RowAppended();

 private:
  FileList& list_;
  std::array<QIcon, 3> stateIcons_;
};

}  // namespace scrivtar::ui

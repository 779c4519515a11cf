#pragma once

#include <QDialog>
#include <QStringList>

#include "model/path_map.h"

class QLabel;
class QTableWidget;

namespace kalmero {

// "Mapa ścieżek spotów": the station's path map as an editable table of prefix and local
// folder. OK takes the rows as a map, or stays open naming each row the map refuses.
class PathMapDialog : public QDialog {
    Q_OBJECT
public:
    // `notes`: lines shown under the table at first (UTF-8), e.g. those the configuration
    // held and the map refused.
    PathMapDialog(const PathMap& map, const QStringList& notes = {}, QWidget* parent = nullptr);

    // The map as accepted; the one given until OK takes the rows.
    const PathMap& pathMap() const { return m_map; }

    // Adds an empty row and starts editing its prefix.
    void addRow();
    // Removes the current row.
    void removeRow();
    void accept() override;

private:
    void appendRow(const QString& prefix, const QString& folder);

    PathMap m_map;
    QTableWidget* m_table = nullptr;
    QLabel* m_problems = nullptr;
};

}  // namespace kalmero

// The settings dialog's place in the window set. For now it holds only the
// adapter list; the sound settings arrive with the full settings dialog.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <string>
#include <vector>

namespace kestro {

class TfrmZKconfig : public QDialog {
    Q_OBJECT
public:
    explicit TfrmZKconfig(QWidget* parent = nullptr);

    // List index = adapter index.
    void SetAdapters(const std::vector<std::string>& descriptions);
    QComboBox* AdapterBox() const { return cboAdapter; }

private:
    QComboBox* cboAdapter;
};

}  // namespace kestro

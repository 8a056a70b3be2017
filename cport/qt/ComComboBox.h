#pragma once

#include "ComSelect.h"
#include "RemovalWatch.h"

#include <QComboBox>

#include <functional>
#include <memory>
#include <string>

namespace cport {

// A drop-down list bound to one setting of one port: it lists every value of
// the setting, shows the port's current one and writes the user's pick back,
// at once with AutoApply or when ApplySelection is called. The user can only
// pick listed items.
class TComComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit TComComboBox(QWidget *parent = nullptr);
    ~TComComboBox() override;

    TCustomComPort *ComPort() const { return select_.ComPort(); }
    void SetComPort(TCustomComPort *value);
    TComProperty ComProperty() const { return select_.ComProperty(); }
    void SetComProperty(TComProperty value);
    bool AutoApply() const { return select_.AutoApply(); }
    void SetAutoApply(bool value) { select_.SetAutoApply(value); }
    // The selected item's text, empty when nothing is selected; setting it
    // selects the item with that text (letter case ignored), if there is one.
    std::string Text() const;
    void SetText(const std::string &value);

    const TComSelect &Selection() const { return select_; }

    // Writes the held value into the port.
    void ApplySelection();
    // Selects the item showing the port's current value.
    void RefreshSelection();

    // Fired after a pick of the user has been taken.
    std::function<void(TComComboBox *Sender)> OnChange;

  protected:
    // A pick of the user: hold its value, then tell OnChange.
    virtual void Change();

  private:
    void PortRemoved(fw::TComponent *component);
    void ShowDetail(int index);

    std::unique_ptr<TComItemList> items_;
    TComSelect select_;
    TRemovalWatch watch_;
};

} // namespace cport

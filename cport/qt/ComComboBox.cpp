#include "ComComboBox.h"

#include "cport/ComPort.h"
#include "framework/Events.h"
#include "framework/MainThreadSync.h"

namespace cport {

namespace {

// The box's own item list seen through the selection logic's interface; the
// detail of an item becomes its tool tip.
class TComboItems : public TComItemList {
  public:
    explicit TComboItems(QComboBox &box) : box_(box) {}
    void Clear() override { box_.clear(); }
    void Add(const std::string &text, const std::string &detail) override {
        box_.addItem(QString::fromStdString(text));
        if (!detail.empty())
            box_.setItemData(box_.count() - 1, QString::fromStdString(detail), Qt::ToolTipRole);
    }
    int Count() const override { return box_.count(); }
    std::string Item(int index) const override { return box_.itemText(index).toStdString(); }

  private:
    QComboBox &box_;
};

} // namespace

TComComboBox::TComComboBox(QWidget *parent)
    : QComboBox(parent), items_(std::make_unique<TComboItems>(*this)),
      watch_([this](fw::TComponent *removed) { PortRemoved(removed); }) {
    select_.SetItems(items_.get());
    setEditable(false);
    // Qt reports only the user's picks through activated, never a selection made from code.
    connect(this, &QComboBox::activated, this, [this](int) {
        try {
            Change();
        } catch (...) {
            // An error cannot pass through Qt's event loop; it goes where the
            // application shows errors that arise outside its own calls.
            fw::ReportDeliveryError(std::current_exception());
        }
    });
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) { ShowDetail(index); });
}

TComComboBox::~TComComboBox() {
    // The base class outlives our members; it must not reach them through the handlers above.
    disconnect(this, nullptr, this, nullptr);
}

void TComComboBox::SetComPort(TCustomComPort *value) {
    if (value == select_.ComPort())
        return;
    if (select_.ComPort() != nullptr)
        watch_.Unwatch(select_.ComPort());
    select_.SetComPort(value);
    if (value != nullptr) {
        watch_.Watch(value);
        RefreshSelection();
    }
}

void TComComboBox::SetComProperty(TComProperty value) {
    select_.BindProperty(value);
    if (count() == 0)
        return;
    int index = 0;
    if (select_.ComPort() != nullptr)
        select_.FindCurrentValue(index);
    setCurrentIndex(index);
}

std::string TComComboBox::Text() const { return currentIndex() < 0 ? std::string() : currentText().toStdString(); }

void TComComboBox::SetText(const std::string &value) {
    const int index = items_->IndexOf(value);
    if (index != -1)
        setCurrentIndex(index);
}

void TComComboBox::ApplySelection() { select_.ApplyChoice(); }

void TComComboBox::RefreshSelection() {
    int index = 0;
    select_.FindCurrentValue(index);
    setCurrentIndex(index);
}

void TComComboBox::Change() {
    select_.AcceptChoice(Text());
    fw::Fire(OnChange, this);
}

void TComComboBox::PortRemoved(fw::TComponent *component) {
    if (component == nullptr || component != select_.ComPort())
        return;
    select_.SetComPort(nullptr);
    if (count() > 0)
        setCurrentIndex(0);
}

void TComComboBox::ShowDetail(int index) {
    // The closed box tells which device the shown port name stands for, too.
    setToolTip(index < 0 ? QString() : itemData(index, Qt::ToolTipRole).toString());
}

} // namespace cport

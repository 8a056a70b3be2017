#include "KeyCodes.h"

namespace cport {

std::uint16_t VirtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return static_cast<std::uint16_t>(qtKey); // the same codes as the characters
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<std::uint16_t>(vk::F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace:
        return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Shift:
        return vk::Shift;
    case Qt::Key_Control:
        return vk::Control;
    case Qt::Key_Alt:
        return vk::Menu;
    case Qt::Key_Pause:
        return vk::Pause;
    case Qt::Key_CapsLock:
        return vk::Capital;
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_Space:
        return vk::Space;
    case Qt::Key_PageUp:
        return vk::Prior;
    case Qt::Key_PageDown:
        return vk::Next;
    case Qt::Key_End:
        return vk::End;
    case Qt::Key_Home:
        return vk::Home;
    case Qt::Key_Left:
        return vk::Left;
    case Qt::Key_Up:
        return vk::Up;
    case Qt::Key_Right:
        return vk::Right;
    case Qt::Key_Down:
        return vk::Down;
    case Qt::Key_Insert:
        return vk::Insert;
    case Qt::Key_Delete:
        return vk::Delete;
    default:
        return 0;
    }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers) {
    TShiftState shift;
    if (modifiers.testFlag(Qt::ShiftModifier))
        shift.Include(ssShift);
    if (modifiers.testFlag(Qt::AltModifier))
        shift.Include(ssAlt);
    if (modifiers.testFlag(Qt::ControlModifier))
        shift.Include(ssCtrl);
    return shift;
}

} // namespace cport

#include "KeyCodes.h"

#include <cstddef>
#include <iterator>

namespace cport {

std::uint16_t VirtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return static_cast<std::uint16_t>(qtKey); // the same codes as the characters
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<std::uint16_t>(vk::F1 + (qtKey - Qt::Key_F1));
    if (qtKey > 0x20 && qtKey < 0x7F) {
        // Punctuation, by the key that types it: unshifted row, then shifted row.
        static constexpr char kKeys[] = ";=,-./`[\\]'"
                                        ":+<_>?~{|}\"";
        static constexpr std::uint8_t kCodes[] = {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE};
        static constexpr char kShiftedDigits[] = ")!@#$%^&*(";
        for (std::size_t i = 0; i < sizeof kShiftedDigits - 1; ++i)
            if (kShiftedDigits[i] == qtKey)
                return static_cast<std::uint16_t>('0' + i);
        for (std::size_t i = 0; i < sizeof kKeys - 1; ++i)
            if (kKeys[i] == qtKey)
                return kCodes[i % std::size(kCodes)];
    }
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
    case Qt::Key_Clear:
        return 0x0C;
    case Qt::Key_Print:
    case Qt::Key_SysReq:
        return 0x2C;
    case Qt::Key_Help:
        return 0x2F;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
        return 0x5B;
    case Qt::Key_Super_R:
        return 0x5C;
    case Qt::Key_Menu:
        return 0x5D;
    case Qt::Key_NumLock:
        return 0x90;
    case Qt::Key_ScrollLock:
        return 0x91;
    case Qt::Key_AltGr:
        return vk::Menu;
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

// The windows' questions to the user. Every dialog that asks something is reached through
// AskUser with a question type of its own: what the dialog is told, and the answer it gives back
// (nullopt when the user cancels). A test answers in place of the user by holding a
// TDialogAnswer of that type; no dialog comes up then.
//
// A question type names its answer as TAnswer, and the dialog that asks it is declared beside it:
//     std::optional<TQuestion::TAnswer> ShowDialog(QWidget* Owner, const TQuestion& Question);
#pragma once

#include <functional>
#include <optional>
#include <utility>

class QWidget;

template <class TQuestion>
class TDialogAnswer {
public:
    using TAnswer = typename TQuestion::TAnswer;
    using TAnswerer =
        std::function<std::optional<TAnswer>(QWidget* Owner, const TQuestion& Question)>;

    // While this lives, Answerer answers every TQuestion in place of its dialog; the answerer
    // it replaced (or the dialog) comes back when it ends.
    explicit TDialogAnswer(TAnswerer Answerer)
        : FOuter(std::exchange(Current(), std::move(Answerer))) {}
    ~TDialogAnswer() { Current() = std::move(FOuter); }
    TDialogAnswer(const TDialogAnswer&) = delete;
    TDialogAnswer& operator=(const TDialogAnswer&) = delete;

    static std::optional<TAnswer> Ask(QWidget* Owner, const TQuestion& Question) {
        // A copy: the answerer may end the TDialogAnswer that holds it.
        if (const TAnswerer Answerer = Current()) return Answerer(Owner, Question);
        return ShowDialog(Owner, Question);
    }

private:
    static TAnswerer& Current() {
        static TAnswerer Instance;
        return Instance;
    }
    TAnswerer FOuter;
};

// Asks the user Question through its dialog, owned by Owner, or through a test's answer.
template <class TQuestion>
std::optional<typename TQuestion::TAnswer> AskUser(QWidget* Owner, const TQuestion& Question) {
    return TDialogAnswer<TQuestion>::Ask(Owner, Question);
}

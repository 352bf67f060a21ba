// A window run modally through its owner: published through its global pointer during the
// run, and deleted with the pointer reset afterwards, however the run ends.

#include "Modal.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

namespace {

class Probe : public QDialog {
public:
    explicit Probe(QWidget* owner, int tag) : QDialog(owner), tag(tag) {}
    int tag;
};

Probe* probe_slot = nullptr;

struct HookGuard {
    ~HookGuard() { run_modal_hook = nullptr; }
};

TEST(ModalWindow, PublishesTheWindowForItsRunAndReleasesItHoweverTheRunEnds)
{
    HookGuard restore;
    QWidget owner;
    QPointer<QDialog> seen;
    run_modal_hook = [&](QDialog& dialog) {
        seen = &dialog;
        EXPECT_EQ(probe_slot, &dialog);
        EXPECT_EQ(std::tuple(dialog.parentWidget(), probe_slot->tag), std::tuple(&owner, 7));
        return 3;
    };
    EXPECT_EQ(run_modal_window(probe_slot, &owner, 7), 3);
    EXPECT_TRUE(seen.isNull()); // deleted
    EXPECT_EQ(probe_slot, nullptr);

    // A run that throws: the window goes and the pointer is reset before the exception
    // reaches the caller.
    run_modal_hook = [&](QDialog& dialog) -> int {
        seen = &dialog;
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(run_modal_window(probe_slot, &owner, 1), std::runtime_error);
    EXPECT_TRUE(seen.isNull());
    EXPECT_EQ(probe_slot, nullptr);
}

} // namespace

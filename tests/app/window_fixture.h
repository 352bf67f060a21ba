// A main window for a test: started in a fresh folder of its own (where it keeps its
// settings file), with the process-wide link state as at program start, messages recorded
// instead of shown, and a fixed list of network adapters (none unless the test adds some),
// so that no test ever looks for a controller on a real network.
#pragma once

#include "Fz_netif.h"
#include "Globvar.h"
#include "Link_config.h"
#include "Net_cnx.h"
#include "Netcom.h"
#include "Scknet.h"
#include "message_box.h"

#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previousFolder = QDir::currentPath();
        QDir::setCurrent(folder.path());
        adapter_source_set(&adapters);
        link_state_reset();
        // Whatever the socket thread sends stays on this machine, on ports nobody uses.
        link_config = LinkConfig{};
        link_config.discovery_address = "127.0.0.1";
        link_config.controller_port = 9;
        link_config.discovery_local_port = 0;
        openWindow();
    }
    void TearDown() override
    {
        window.reset();
        adapter_source_set(nullptr);
        link_config = LinkConfig{};
        QDir::setCurrent(previousFolder);
    }
    void openWindow()
    {
        window = std::make_unique<TForm_net>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // Types into a limit field as a user does, ending with Return.
    void typeInto(QLineEdit* memo, const QString& text)
    {
        memo->setFocus();
        QTest::qWait(1);
        memo->selectAll();
        QTest::keyClicks(memo, text);
        QTest::keyClick(memo, Qt::Key_Return);
    }
    // Lets the timer that carries new limits into the diagram run until it stops itself.
    void settleScale()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->Timer_set_fix_scale->isActive(); }));
    }

    QTemporaryDir folder;
    QString previousFolder;
    FixedAdapterSource adapters;
    MessageRecorder recorder;
    std::unique_ptr<TForm_net> window;
};

// The same window with its socket thread ended and only the send queue kept: the test plays
// the socket thread's part itself.
class OfflineWindowFixture : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        link_shutdown();
        send_queue_lock_create();
    }
};

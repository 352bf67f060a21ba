// The interface selection window "NetWork": lists the PC's network adapters, shows the
// properties of the highlighted one and the adapter remembered in the settings, and makes
// the highlighted adapter the link's interface on "Seleziona" or a double click.
//
// Created by the main window's "Imposta Connessione" command, run modally and destroyed when
// it closes. While it exists, Form_NetifSet points to it.
#pragma once

#include "Link_types.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <cstddef>
#include <cstdint>

class QFrame;
class QGroupBox;
class QPushButton;
class QShowEvent;
class QStatusBar;
class QTableWidget;
class QTimer;
class QWidget;

class TForm_NetifSet : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 465;
    static constexpr int kClientHeight = 385;
    static constexpr int kRefreshIntervalMs = 30;

    explicit TForm_NetifSet(QWidget* owner = nullptr);
    ~TForm_NetifSet() override;

    // Controls, named as the window shows them.
    QGroupBox* GroupBox1 = nullptr;              // "Interfacce di Rete"
    QTableWidget* ListView_list_netif = nullptr; // mark, "N", "Descrizione"
    QFrame* Panel1 = nullptr;
    QTableWidget* ListView_netif = nullptr; // "Proprietà", "Valore"
    QFrame* Panel14 = nullptr;
    QGroupBox* GroupBox2 = nullptr; // "Interfaccia Selezionata"
    QTableWidget* ListView_netif_select = nullptr;
    QFrame* Panel_button = nullptr;
    QPushButton* BitBtn_NetIF_Select = nullptr; // "Seleziona"
    QPushButton* BitBtn_Close = nullptr;        // "Chiudi"
    QFrame* Panel_status_bar = nullptr;
    QStatusBar* StatusBar_Com = nullptr;
    QTimer* Timer_com = nullptr;
    QIcon ImageList_netif_mark; // the mark of the selected adapter

    // adapter_count for which ListView_list_netif was last built.
    std::uint32_t list_count_shown = 0;

    // Event handlers.
    void FormCreate();
    void FormShow();
    void BitBtn_NetIF_SelectClick();
    void BitBtn_CloseClick();
    void ListView_list_netifChange();
    void ListView_list_netifDblClick();
    void Timer_comTimer();

    // Rebuilds the adapter list when the adapter count changed to another non-zero value,
    // highlighting the remembered adapter; empties it when no adapter is left.
    void refresh_adapter_list();
    // Fills the property list from one adapter record.
    void show_adapter_details(const AdapterRecord& record);
    // The "Interfaccia Selezionata" row: the remembered MAC and its adapter's description.
    void show_selected_interface();
    // Makes the highlighted adapter the link's interface.
    void select_listed_adapter();

    // True when the row of ListView_list_netif carries the mark.
    bool row_marked(int row) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build_layout();
    void bind_handlers();
    // The highlighted row when it stands for an entry of adapter_list, else -1.
    int highlighted_adapter() const;
    void set_row_mark(int row, bool marked);
};

extern TForm_NetifSet* Form_NetifSet;

// The first `length` bytes (at most 8) as two upper-case hexadecimal digits each, joined by
// "-": "00-1A-2B-3C-4D-5E".
QString hardware_address_text(const std::uint8_t* bytes, std::size_t length);

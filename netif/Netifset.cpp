#include "Netifset.h"

#include "Fz_netif.h"
#include "Globvar.h"
#include "WindowShow.h"
#include "message_box.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

TForm_NetifSet* Form_NetifSet = nullptr;

namespace {

constexpr int kAdapterListHeight = 221;  // GroupBox1
constexpr int kSelectedPanelHeight = 70; // Panel14
constexpr int kStatusBarHeight = 27;     // Panel_status_bar
constexpr int kButtonPanelHeight =
    TForm_NetifSet::kClientHeight - kAdapterListHeight - kSelectedPanelHeight - kStatusBarHeight;
constexpr int kAdapterListWidth = 181;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 34;
constexpr int kRowHeight = 17;

// Background of the "Interfaccia Selezionata" list.
const QColor kSelectedListBackground(236, 236, 230);

const QString kNone = QStringLiteral("-----");

// Column indexes.
constexpr int kColMark = 0;
constexpr int kColNumber = 1;
constexpr int kColDescription = 2;
constexpr int kColProperty = 0;
constexpr int kColValue = 1;

QFont window_font()
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    return f;
}

QString fixed_text(const char* field, std::size_t size)
{
    return QString::fromLocal8Bit(field, qsizetype(::strnlen(field, size)));
}

template <std::size_t N>
QString fixed_text(const char (&field)[N])
{
    return fixed_text(field, N);
}

// A report view: captioned columns, one line per row, nothing editable.
QTableWidget* report_view(QWidget* parent, const char* name, const QStringList& captions)
{
    auto* view = new QTableWidget(0, int(captions.size()), parent);
    view->setObjectName(QLatin1String(name));
    view->setHorizontalHeaderLabels(captions);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(kRowHeight);
    QHeaderView* header = view->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(10);
    return view;
}

// A list that only shows: it takes neither focus nor clicks and keeps its normal colours.
void display_only(QTableWidget* view)
{
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setFocusPolicy(Qt::NoFocus);
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QTableWidgetItem* text_item(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QFrame* panel(QWidget* parent, const char* name)
{
    auto* p = new QFrame(parent);
    p->setObjectName(QLatin1String(name));
    p->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return p;
}

template <typename Draw>
QIcon drawn_icon(int size, Draw draw)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, qreal(size));
    p.end();
    return QIcon(pixmap);
}

void draw_tick(QPainter& p, qreal s, const QColor& color, qreal width)
{
    QPainterPath tick;
    tick.moveTo(s * 0.22, s * 0.52);
    tick.lineTo(s * 0.42, s * 0.72);
    tick.lineTo(s * 0.78, s * 0.28);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

// The mark of the selected adapter: a white tick on a green disc.
QIcon mark_icon()
{
    return drawn_icon(16, [](QPainter& p, qreal s) {
        p.setPen(QPen(QColor(0, 100, 0), 1));
        p.setBrush(QColor(0, 160, 0));
        p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
        draw_tick(p, s, Qt::white, 2.0);
    });
}

QIcon select_icon()
{
    return drawn_icon(20, [](QPainter& p, qreal s) { draw_tick(p, s, QColor(0, 140, 0), 3.0); });
}

// A door standing open.
QIcon close_icon()
{
    return drawn_icon(20, [](QPainter& p, qreal) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4.5, 2.5, 11, 15));
        p.setBrush(QColor(160, 90, 30));
        QPolygonF door;
        door << QPointF(4.5, 2.5) << QPointF(10.5, 4.5) << QPointF(10.5, 19.5)
             << QPointF(4.5, 17.5);
        p.drawPolygon(door);
        p.setBrush(Qt::yellow);
        p.drawEllipse(QRectF(8, 10, 2, 2));
    });
}

} // namespace

QString hardware_address_text(const std::uint8_t* bytes, std::size_t length)
{
    constexpr std::size_t kMaxLength = sizeof(AdapterRecord::Address);
    if (length > kMaxLength)
        length = kMaxLength;
    QStringList parts;
    for (std::size_t i = 0; i < length; ++i)
        parts << QStringLiteral("%1").arg(unsigned(bytes[i]), 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char('-'));
}

TForm_NetifSet::TForm_NetifSet(QWidget* owner) : QDialog(owner)
{
    Form_NetifSet = this;
    setObjectName(QStringLiteral("Form_NetifSet"));
    setWindowTitle(QStringLiteral("NetWork"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::CustomizeWindowHint);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(window_font());

    build_layout();
    bind_handlers();
    FormCreate();
    Timer_com->start();
}

TForm_NetifSet::~TForm_NetifSet()
{
    if (Form_NetifSet == this)
        Form_NetifSet = nullptr;
}

void TForm_NetifSet::build_layout()
{
    ImageList_netif_mark = mark_icon();

    // Adapters on the left, the highlighted one's properties on the right.
    GroupBox1 = new QGroupBox(QStringLiteral("Interfacce di Rete"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(0, 0, kClientWidth, kAdapterListHeight);
    auto* top = new QHBoxLayout(GroupBox1);
    top->setContentsMargins(4, 4, 4, 4);
    top->setSpacing(2);

    ListView_list_netif =
        report_view(GroupBox1, "ListView_list_netif",
                    {QString(), QStringLiteral("N"), QStringLiteral("Descrizione")});
    ListView_list_netif->setShowGrid(true);
    ListView_list_netif->setColumnWidth(kColMark, 25);
    ListView_list_netif->setColumnWidth(kColNumber, 25);
    ListView_list_netif->setIconSize(QSize(16, 16));
    ListView_list_netif->setFixedWidth(kAdapterListWidth);
    // The highlighted row stays as visible when the list loses the focus.
    QPalette keep = ListView_list_netif->palette();
    keep.setColor(QPalette::Inactive, QPalette::Highlight,
                  keep.color(QPalette::Active, QPalette::Highlight));
    keep.setColor(QPalette::Inactive, QPalette::HighlightedText,
                  keep.color(QPalette::Active, QPalette::HighlightedText));
    ListView_list_netif->setPalette(keep);
    top->addWidget(ListView_list_netif);

    Panel1 = new QFrame(GroupBox1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* details = new QVBoxLayout(Panel1);
    details->setContentsMargins(0, 0, 0, 0);
    ListView_netif = report_view(Panel1, "ListView_netif",
                                 {QStringLiteral("Proprietà"), QStringLiteral("Valore")});
    ListView_netif->setColumnWidth(kColProperty, 120);
    display_only(ListView_netif);
    details->addWidget(ListView_netif);
    top->addWidget(Panel1, 1);

    // The adapter remembered in the settings.
    Panel14 = panel(this, "Panel14");
    Panel14->setGeometry(0, kAdapterListHeight, kClientWidth, kSelectedPanelHeight);
    auto* selected = new QVBoxLayout(Panel14);
    selected->setContentsMargins(2, 0, 2, 2);
    GroupBox2 = new QGroupBox(QStringLiteral("Interfaccia Selezionata"), Panel14);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    selected->addWidget(GroupBox2);
    auto* selectedInside = new QVBoxLayout(GroupBox2);
    selectedInside->setContentsMargins(4, 2, 4, 4);
    ListView_netif_select =
        report_view(GroupBox2, "ListView_netif_select",
                    {QStringLiteral("Indirizzo Fisico"), QStringLiteral("Descrizione")});
    ListView_netif_select->setColumnWidth(kColProperty, 130);
    ListView_netif_select->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette background = ListView_netif_select->palette();
    background.setColor(QPalette::Base, kSelectedListBackground);
    ListView_netif_select->setPalette(background);
    display_only(ListView_netif_select);
    selectedInside->addWidget(ListView_netif_select);

    // The buttons; FormShow places them.
    Panel_button = panel(this, "Panel_button");
    Panel_button->setGeometry(0, kAdapterListHeight + kSelectedPanelHeight, kClientWidth,
                              kButtonPanelHeight);
    BitBtn_NetIF_Select = new QPushButton(select_icon(), QStringLiteral("Seleziona"), Panel_button);
    BitBtn_NetIF_Select->setObjectName(QStringLiteral("BitBtn_NetIF_Select"));
    BitBtn_NetIF_Select->setIconSize(QSize(20, 20));
    BitBtn_NetIF_Select->setFixedSize(kButtonWidth, kButtonHeight);
    BitBtn_NetIF_Select->setDefault(true);
    BitBtn_Close = new QPushButton(close_icon(), QStringLiteral("Chiudi"), Panel_button);
    BitBtn_Close->setObjectName(QStringLiteral("BitBtn_Close"));
    BitBtn_Close->setIconSize(QSize(20, 20));
    BitBtn_Close->setFixedSize(kButtonWidth, kButtonHeight);

    Panel_status_bar = panel(this, "Panel_status_bar");
    Panel_status_bar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth,
                                  kStatusBarHeight);
    auto* status = new QVBoxLayout(Panel_status_bar);
    status->setContentsMargins(1, 1, 1, 1);
    StatusBar_Com = new QStatusBar(Panel_status_bar);
    StatusBar_Com->setObjectName(QStringLiteral("StatusBar_Com"));
    StatusBar_Com->setSizeGripEnabled(false);
    auto* firstPanel = new QLabel(StatusBar_Com);
    firstPanel->setObjectName(QStringLiteral("StatusBar_Com_panel0"));
    firstPanel->setFixedWidth(50);
    firstPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar_Com->addWidget(firstPanel);
    status->addWidget(StatusBar_Com);

    Timer_com = new QTimer(this);
    Timer_com->setObjectName(QStringLiteral("Timer_com"));
    Timer_com->setInterval(kRefreshIntervalMs);
}

void TForm_NetifSet::bind_handlers()
{
    connect(BitBtn_NetIF_Select, &QPushButton::clicked, this,
            [this] { BitBtn_NetIF_SelectClick(); });
    connect(BitBtn_Close, &QPushButton::clicked, this, [this] { BitBtn_CloseClick(); });
    connect(ListView_list_netif, &QTableWidget::itemSelectionChanged, this,
            [this] { ListView_list_netifChange(); });
    connect(ListView_list_netif, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { ListView_list_netifDblClick(); });
    connect(Timer_com, &QTimer::timeout, this, [this] { Timer_comTimer(); });
}

void TForm_NetifSet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    window_shown(*this, *event, Centre::Frame, [this] { FormShow(); });
}

void TForm_NetifSet::FormCreate()
{
    list_count_shown = 0;
}

void TForm_NetifSet::FormShow()
{
    adapters_enumerate();

    const int panelWidth = Panel_button->width();
    const int gap = (panelWidth - BitBtn_NetIF_Select->width() - BitBtn_Close->width()) >> 3;
    BitBtn_NetIF_Select->move(gap, (Panel_button->height() - BitBtn_NetIF_Select->height()) / 2);
    BitBtn_Close->move(panelWidth - BitBtn_Close->width() - gap,
                       (Panel_button->height() - BitBtn_Close->height()) / 2);

    refresh_adapter_list();
    show_selected_interface();
}

void TForm_NetifSet::Timer_comTimer()
{
    refresh_adapter_list();
}

void TForm_NetifSet::refresh_adapter_list()
{
    const auto count = std::uint32_t(
        std::min<std::size_t>(link_state.adapter_count, link_state.adapter_list.size()));
    if (count != 0 && count != list_count_shown) {
        list_count_shown = count;
        int highlight = 0;
        // An all-zero address means no adapter is remembered; it does not mark the empty
        // records the system may leave at the end of the list.
        const bool remembered = !mac_is_zero(link_state.settings.mac.data());
        {
            // The list is being rebuilt: its change handler has nothing to show yet.
            const QSignalBlocker quiet(ListView_list_netif);
            ListView_list_netif->clearContents();
            ListView_list_netif->setRowCount(int(count));
            for (std::uint32_t i = 0; i < count; ++i) {
                const AdapterRecord& record = link_state.adapter_list[i];
                const int row = int(i);
                ListView_list_netif->setItem(row, kColMark, text_item(QString()));
                ListView_list_netif->setItem(row, kColNumber,
                                             text_item(QStringLiteral("[%1]").arg(i + 1)));
                const QString description = fixed_text(record.Description);
                QTableWidgetItem* item = text_item(description);
                item->setToolTip(description);
                ListView_list_netif->setItem(row, kColDescription, item);
                if (remembered && mac_equal(record.Address, link_state.settings.mac.data())) {
                    set_row_mark(row, true);
                    highlight = row;
                }
            }
            ListView_list_netif->selectRow(highlight);
            ListView_list_netif->setCurrentCell(highlight, kColDescription);
        }
        ListView_list_netif->scrollToItem(ListView_list_netif->item(highlight, kColDescription));
        show_adapter_details(link_state.adapter_list[std::size_t(highlight)]);
    } else if (count == 0 && ListView_list_netif->rowCount() > 0) {
        {
            const QSignalBlocker quiet(ListView_list_netif);
            ListView_list_netif->setRowCount(0);
        }
        // The adapter whose properties were shown is gone as well.
        ListView_netif->setRowCount(0);
    }
}

void TForm_NetifSet::show_adapter_details(const AdapterRecord& record)
{
    const QString rows[6][2] = {
        {QStringLiteral("Indirizzo Fisico"),
         hardware_address_text(record.Address, record.AddressLength)},
        {QStringLiteral("Indirizzo IP"), fixed_text(record.IpAddressList.IpAddress)},
        {QStringLiteral("Subnet Mask"), fixed_text(record.IpAddressList.IpMask)},
        {QStringLiteral("Gateway Predefinito"), fixed_text(record.GatewayList.IpAddress)},
        {QStringLiteral("Server DHCP"), fixed_text(record.DhcpServer.IpAddress)},
        {QStringLiteral("Stato DHCP"),
         record.DhcpEnabled != 0 ? QStringLiteral("Abilitato") : QStringLiteral("Disabilitato")},
    };
    ListView_netif->clearContents();
    ListView_netif->setRowCount(6);
    for (int i = 0; i < 6; ++i) {
        ListView_netif->setItem(i, kColProperty, text_item(rows[i][0]));
        ListView_netif->setItem(i, kColValue, text_item(rows[i][1]));
    }
}

void TForm_NetifSet::show_selected_interface()
{
    QString address = kNone;
    QString description = kNone;
    if (!mac_is_zero(link_state.settings.mac.data())) {
        address =
            hardware_address_text(link_state.settings.mac.data(), link_state.settings.mac.size());
        const AdapterRecord adapter = netif_adapter_copy();
        if (mac_equal(adapter.Address, link_state.settings.mac.data()))
            description = fixed_text(adapter.Description);
    }
    ListView_netif_select->clearContents();
    ListView_netif_select->setRowCount(1);
    ListView_netif_select->setItem(0, kColProperty, text_item(address));
    QTableWidgetItem* item = text_item(description);
    item->setToolTip(description);
    ListView_netif_select->setItem(0, kColValue, item);
}

int TForm_NetifSet::highlighted_adapter() const
{
    const QList<QTableWidgetSelectionRange> ranges = ListView_list_netif->selectedRanges();
    if (ranges.isEmpty())
        return -1;
    const int row = ranges.first().topRow();
    // Between two refreshes the list may still show rows of an enumeration that has since
    // been replaced by a shorter one.
    const std::size_t count =
        std::min<std::size_t>(link_state.adapter_count, link_state.adapter_list.size());
    if (row < 0 || row >= ListView_list_netif->rowCount() || std::size_t(row) >= count)
        return -1;
    return row;
}

void TForm_NetifSet::set_row_mark(int row, bool marked)
{
    QTableWidgetItem* item = ListView_list_netif->item(row, kColMark);
    if (item == nullptr)
        return;
    item->setIcon(marked ? ImageList_netif_mark : QIcon());
    item->setData(Qt::UserRole, marked);
}

bool TForm_NetifSet::row_marked(int row) const
{
    const QTableWidgetItem* item = ListView_list_netif->item(row, kColMark);
    return item != nullptr && item->data(Qt::UserRole).toBool();
}

void TForm_NetifSet::select_listed_adapter()
{
    const int row = highlighted_adapter();
    if (row < 0)
        return;
    const AdapterRecord record = link_state.adapter_list[std::size_t(row)];
    // Only an adapter with an Ethernet hardware address can carry the link; taking one
    // without would forget the remembered adapter and store an empty address instead.
    if (record.AddressLength != 6)
        return;

    for (int i = 0; i < ListView_list_netif->rowCount(); ++i)
        set_row_mark(i, i == row);
    const bool saved = adapter_select(record);
    link_state.netif_flags ^= NETIF_TOGGLE;
    show_selected_interface();
    // The choice holds for this run either way; the user learns that the next start will not
    // find it (a read-only settings file or folder).
    if (!saved)
        message_box(QStringLiteral(
                        "Impossibile salvare l'interfaccia scelta nel file\n%1\n"
                        "L'interfaccia resta selezionata fino alla chiusura del programma.")
                        .arg(QFile::decodeName(link_state.settings_path.c_str())),
                    QStringLiteral("Attenzione"), MessageIcon::Warning);
}

void TForm_NetifSet::BitBtn_NetIF_SelectClick()
{
    select_listed_adapter();
}

void TForm_NetifSet::ListView_list_netifDblClick()
{
    select_listed_adapter();
}

void TForm_NetifSet::ListView_list_netifChange()
{
    const int row = highlighted_adapter();
    if (row >= 0)
        show_adapter_details(link_state.adapter_list[std::size_t(row)]);
}

void TForm_NetifSet::BitBtn_CloseClick()
{
    reject();
}

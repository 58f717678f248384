#include "pages/basicparampage.h"

#include "app/messageboxes.h"
#include "protocol/sdoclient.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDebug>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTreeWidget>

const uint16_t BasicParamPage::basicParamObjects[kRowCount] = {
    0x2000, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x200B, 0x200C, 0x2040, 0x2041};

namespace {

constexpr uint16_t kReadAll = 0x1001;
constexpr uint16_t kWriteAll = 0x1002;
constexpr uint8_t kReadAllDone = 1;
constexpr uint8_t kWriteAllDone = 101;

// Microstep items are not translated; the padding is part of the text.
const char *const kMicrostepItems[16] = {
    "0—200（Pu/rev）   ", "1—400 （Pu/rev）  ", "2—800 （Pu/rev）  ", "3—1600（Pu/rev）  ",
    "4—3200（Pu/rev）  ", "5—6400（Pu/rev）  ", "6—12800（Pu/rev） ", "7—25600（Pu/rev） ",
    "8—1000 （Pu/rev） ", "9—2000（Pu/rev）  ", "10—4000（Pu/rev） ", "11—5000（Pu/rev） ",
    "12—8000（Pu/rev） ", "13—10000（Pu/rev）", "14—20000（Pu/rev）", "15—40000（Pu/rev）"};
const char *const kBitRateItems[6] = {"0—50   Kbit/s", "1—100  Kbit/s", "2—125  Kbit/s",
                                      "3—250  Kbit/s", "4—500  Kbit/s", "5—1000 Kbit/s"};

struct SpinSpec {
    int minimum, maximum, value;
};

} // namespace

BasicParamPage::BasicParamPage(Ui::MainWindow *ui_, PageJobState &jobs)
    : ui(ui_)
    , m_jobs(jobs)
{
}

int BasicParamPage::positionOf(int group, int row)
{
    if (group == 1 && row >= 1 && row <= 9)
        return row - 1;
    if (group == 2 && row >= 1 && row <= 2)
        return row + 8;
    return -1;
}

void BasicParamPage::rowOf(int position, int &group, int &row)
{
    group = position < 9 ? 1 : 2;
    row = position < 9 ? position + 1 : position - 8;
}

uint16_t BasicParamPage::rowCode(uint16_t base, int position)
{
    // base 0x1100 (read) or 0x1900 (write); group 2 uses the next hundred.
    int group, row;
    rowOf(position, group, row);
    return uint16_t(base + (group - 1) * 0x100 + row);
}

void BasicParamPage::requestFromButton(const char *diagnostic, uint16_t code)
{
    qDebug() << diagnostic << "\r\n";
    m_jobs.requestPageJob(1, code);
}

void BasicParamPage::connectPageButtons()
{
    connect(ui->t1_g1_pushButton_1_read_param, &QPushButton::clicked, this, [this]() {
        requestFromButton("on_t1_g1_pushButton_1_read_param_clicked", kReadAll);
        m_jobs.markPageJobRequested();
    });
    connect(ui->t1_g1_pushButton_2_download_param, &QPushButton::clicked, this, [this]() {
        requestFromButton("on_t1_g1_pushButton_2_download_param_clicked", kWriteAll);
        m_jobs.markPageJobRequested();
    });
}

void BasicParamPage::buildBasicParamTree()
{
    QTreeWidget *tree = ui->t1_treeWidget;
    tree->clear();
    const int widths[6] = {300, 70, 280, 70, 70, 70};
    for (int c = 0; c < 6; ++c)
        tree->setColumnWidth(c, widths[c]);

    auto *group1 = new QTreeWidgetItem(tree, QStringList(tr("配置参数")));
    auto *group2 = new QTreeWidgetItem(tree, QStringList(tr("性能参数")));

    static const char *const labels[kRowCount] = {
        QT_TR_NOOP("驱动器节点号"), QT_TR_NOOP("电流设置 0.1A*n:"), QT_TR_NOOP("细分设置"), QT_TR_NOOP("锁机电流"),
        QT_TR_NOOP("设置驱动器节点号"), QT_TR_NOOP("设置通讯波特率"), QT_TR_NOOP("超程停车方式"),
        QT_TR_NOOP("总线控制方式/脉冲方向(P/D)控制方式选择"), QT_TR_NOOP("功能码值是否更新到EEPOM"),
        QT_TR_NOOP("电流环比例系数"), QT_TR_NOOP("电流环积分增益")};
    const char *ranges[kRowCount] = {"0-127", "1-25", "0-15", "0-1", "1-127", "0-5",
                                     "0-2", "0-2", "0-1", "10-500", "1-50"};

    for (int pos = 0; pos < kRowCount; ++pos) {
        Row &r = m_rows[pos];
        r.item = new QTreeWidgetItem(pos < 9 ? group1 : group2);
        r.item->setText(0, tr(labels[pos]));
        r.item->setText(3, QString::fromUtf8(ranges[pos]));

        auto makeSpin = [&](SpinSpec s) {
            r.spin = new QSpinBox;
            r.spin->setRange(s.minimum, s.maximum);
            r.spin->setValue(s.value);
            tree->setItemWidget(r.item, 2, r.spin);
        };
        auto makeCombo = [&](const QStringList &items, int index) {
            r.combo = new QComboBox;
            r.combo->addItems(items);
            r.combo->setCurrentIndex(index);
            // Picking an item replaces a value the list could not show.
            connect(r.combo, QOverload<int>::of(&QComboBox::activated), this,
                    [this, pos](int) { m_rows[pos].unlistedValue = -1; });
            tree->setItemWidget(r.item, 2, r.combo);
        };
        QStringList items;
        switch (pos) {
        case 0:
            makeSpin({0, 65535, 0});
            r.spin->setEnabled(false);
            break;
        case 1: makeSpin({1, 25, 15}); break;
        case 2:
            for (const char *t : kMicrostepItems)
                items << QString::fromUtf8(t);
            makeCombo(items, 13);
            break;
        case 3: makeCombo({tr("0—半流"), tr("1—全流")}, 0); break;
        case 4: makeSpin({1, 127, 1}); break;
        case 5:
            for (const char *t : kBitRateItems)
                items << QString::fromUtf8(t);
            makeCombo(items, 2);
            break;
        case 6: makeCombo({tr("0—停止"), tr("1—急停"), tr("2—无效")}, 0); break;
        case 7:
            makeCombo({tr("0—总线控制"), tr("1—外部脉冲/方向（P/D）控制方式"), tr("2—双脉冲控制方式")}, 0);
            if (auto *model = qobject_cast<QStandardItemModel *>(r.combo->model())) {
                model->item(1)->setEnabled(false);
                model->item(2)->setEnabled(false);
            }
            break;
        case 8: makeCombo({tr("0—属性为 RW/S 的参数同步更新到EEPROM"), tr("1—不更新")}, 1); break;
        case 9: makeSpin({10, 500, 220}); break;
        case 10: makeSpin({1, 50, 3}); break;
        }

        int group, row;
        rowOf(pos, group, row);
        auto *read = new QPushButton(tr("读取"));
        auto *write = new QPushButton(tr("写入"));
        const QByteArray base = QStringLiteral("on_t1_treewidget_node_%1_%2_button_").arg(group).arg(row).toLatin1();
        const QByteArray readDiag = base + "1_read_clicked";
        connect(read, &QPushButton::clicked, this, [this, readDiag, pos]() {
            requestFromButton(readDiag.constData(), rowCode(0x1100, pos));
        });
        if (pos == 0) {
            // The drive's present node number is never written (row 1.5 sets a new one).
            write->setEnabled(false);
            connect(write, &QPushButton::clicked, this,
                    []() { qDebug() << "on_t1_treewidget_node_1_1_button_2_write_clicked" << "\r\n"; });
        } else {
            const QByteArray writeDiag = base + "2_write_clicked:";
            connect(write, &QPushButton::clicked, this, [this, writeDiag, pos]() {
                requestFromButton(writeDiag.constData(), rowCode(0x1900, pos));
            });
        }
        read->setObjectName(QString::fromLatin1(base + "1_read"));
        write->setObjectName(QString::fromLatin1(base + "2_write"));
        tree->setItemWidget(r.item, 4, read);
        tree->setItemWidget(r.item, 5, write);
    }
    tree->expandAll();
}

void BasicParamPage::setBasicParamPageDisabled(bool disabled)
{
    ui->t1_g1_pushButton_1_read_param->setDisabled(disabled);
    ui->t1_g1_pushButton_2_download_param->setDisabled(disabled);
    ui->t1_treeWidget->setDisabled(disabled);
}

QTreeWidgetItem *BasicParamPage::rowItem(int group, int row) const
{
    const int pos = positionOf(group, row);
    return pos < 0 ? nullptr : m_rows[pos].item;
}

void BasicParamPage::setBasicParamValue(int group, int row, uint16_t value)
{
    const int pos = positionOf(group, row);
    if (pos < 0 || !m_rows[pos].item)
        return;
    Row &r = m_rows[pos];
    r.item->setText(1, QString::number(value));
    if (r.spin) {
        r.spin->setValue(value);
    } else if (r.combo) {
        // An index outside the list leaves no item selected.
        r.combo->setCurrentIndex(value < r.combo->count() ? int(value) : -1);
        r.unlistedValue = value < r.combo->count() ? -1 : int(value);
    }
}

void BasicParamPage::markBasicParamError(int group, int row)
{
    const int pos = positionOf(group, row);
    if (pos >= 0 && m_rows[pos].item)
        m_rows[pos].item->setText(1, QStringLiteral("error!"));
}

uint16_t BasicParamPage::basicParamValue(int group, int row) const
{
    const int pos = positionOf(group, row);
    if (pos <= 0)
        return 0;  // row 1.1 and unknown rows
    const Row &r = m_rows[pos];
    if (r.spin)
        return uint16_t(r.spin->value());
    if (r.combo)
        return uint16_t(r.unlistedValue >= 0 ? r.unlistedValue : r.combo->currentIndex());
    return 0;
}

void BasicParamPage::applyCurrentRange(uint32_t model)
{
    Row &r = m_rows[1];
    if (!r.spin)
        return;
    const bool orca = model == 1;
    r.spin->setRange(1, orca ? 56 : 25);
    r.spin->setValue(orca ? 42 : 15);
    r.item->setText(3, orca ? QStringLiteral("1-56") : QStringLiteral("1-25"));
}

// ---- sequencer ----------------------------------------------------------------

void BasicParamPage::runBasicParamSequencer(uint8_t node, int16_t jobCode)
{
    if (jobCode != 0) {
        if (jobCode != -1)
            m_jobs.pageJobBusy = 1;
        m_job = jobCode;
        m_phase = 0;
        m_position = 0;
        m_singleRow = false;
    }
    if (!turnIsEligible())
        return;
    if (m_job == 0) {
        m_jobs.pageJobBusy = 0;
        m_job = -1;
        return;
    }
    if (m_job == -1)
        return;

    // Single-row codes: 0x1100/0x1200 + row read a row of group 1/2, 0x1900/0x1A00 + row write one.
    const auto code = uint16_t(m_job);
    const uint16_t kind = code & 0xFF00;
    const bool rowRead = kind == 0x1100 || kind == 0x1200;
    const bool rowWrite = kind == 0x1900 || kind == 0x1A00;
    const int position = positionOf((kind == 0x1100 || kind == 0x1900) ? 1 : 2, code & 0xFF);
    if ((rowRead || rowWrite) && position >= 0 && !(rowWrite && position == 0)) {
        m_position = uint8_t(position);
        m_job = rowRead ? kReadAll : kWriteAll;
        m_singleRow = true;
    }

    if (m_job == kReadAll)
        readStep(node);
    else if (m_job == kWriteAll)
        writeStep(node);
    else
        m_job = 0;  // a code this page does not know ends at once instead of holding the monitor off
}

void BasicParamPage::readStep(uint8_t node)
{
    if (m_phase == 0) {
        m_phase = 1;
        SdoClient::requestRead(node, basicParamObjects[m_position], 0);
        return;
    }
    int group, row;
    rowOf(m_position, group, row);
    if (SdoClient::resultStatus() == 0) {
        markBasicParamError(group, row);
        fail("基础参数，读错误");
        return;
    }
    SdoClient::clearResultStatus();
    setBasicParamValue(group, row, SdoClient::resultValue16());
    advance();
}

void BasicParamPage::writeStep(uint8_t node)
{
    if (m_phase == 0) {
        m_phase = 1;
        if (m_position == 0)
            m_position = 1;  // row 1.1 is never written
        int group, row;
        rowOf(m_position, group, row);
        SdoClient::requestWrite16(node, basicParamObjects[m_position], 0, basicParamValue(group, row));
        return;
    }
    if (SdoClient::resultStatus() == 0) {
        int group, row;
        rowOf(m_position, group, row);
        markBasicParamError(group, row);
        fail("基础参数，写错误");
        return;
    }
    SdoClient::clearResultStatus();
    advance();
}

void BasicParamPage::advance()
{
    if (m_singleRow) {
        m_singleRow = false;
        m_job = 0;
        return;
    }
    m_phase = 0;
    ++m_position;
    if (m_position >= kRowCount) {
        m_jobs.completePageJob(m_job == kReadAll ? kReadAllDone : kWriteAllDone);
        m_job = 0;
    }
}

void BasicParamPage::fail(const char *text)
{
    // The job is over before the box opens, so the failure is reported once.
    m_jobs.failPageJob();
    m_job = 0;
    MessageBoxes::post(MessageBoxes::Kind::Information, QStringLiteral("错误提示"), QString::fromUtf8(text));
}

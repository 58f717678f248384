#include "paramfile/onekeypage.h"

#include "ui_onekeypage.h"

#include <QDebug>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr uint8_t kModes[4] = {0, 1, 3, 6};  // item i stands for mode kModes[i]
constexpr int kLockedTabs = 5;
constexpr uint16_t kRead = 0x7001;
constexpr uint16_t kConfigure = 0x7002;
constexpr uint16_t kStop = 0x7003;
constexpr uint8_t kModeControlPage = 2;
constexpr uint16_t kStoreParameters = 0x2044;

} // namespace

OneKeyPage::OneKeyPage(QWidget *tab, QTabWidget *pageTabs, PageJobState &jobs)
    : m_form(std::make_unique<Ui::OneKeyPageForm>())
    , m_pageTabs(pageTabs)
    , m_jobs(jobs)
    , m_sequencer(jobs, *this)
{
    m_widget = new QWidget(tab);
    m_form->setupUi(m_widget);
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_widget);

    Ui::OneKeyPageForm &f = *m_form;
    connect(f.t7_g3_pushButton_1_read, &QPushButton::clicked, this, &OneKeyPage::on_t7_g3_pushButton_1_read_clicked);
    connect(f.t7_g3_pushButton_1_OKC, &QPushButton::clicked, this, &OneKeyPage::on_t7_g3_pushButton_1_OKC_clicked);
    connect(f.t7_g3_pushButton_2_stop, &QPushButton::clicked, this, &OneKeyPage::on_t7_g3_pushButton_2_stop_clicked);
    connect(f.t7_g2_btn_22_save_power_down_param, &QPushButton::clicked, this,
            &OneKeyPage::on_t7_g2_btn_22_save_power_down_param_clicked);
    connect(f.t7_g1_pushButton_3_export_param, &QPushButton::clicked, this,
            &OneKeyPage::on_t7_g1_pushButton_3_export_param_clicked);
    connect(f.t7_g1_pushButton_2_import_param, &QPushButton::clicked, this,
            &OneKeyPage::on_t7_g1_pushButton_2_import_param_clicked);
}

OneKeyPage::~OneKeyPage() = default;

void OneKeyPage::initOneKeyPage()
{
    for (int group = 1; group <= kGroups; ++group)
        groupBox(group)->setChecked(true);
    // "0-未定义" only shows a mode the drive reports that has no item; the user cannot pick it.
    if (auto *model = qobject_cast<QStandardItemModel *>(m_form->t7_g2_n3_comboBox->model()))
        model->item(0)->setEnabled(false);
    m_form->t7_g2_n3_comboBox->setCurrentIndex(1);
}

void OneKeyPage::retranslate()
{
    // The form re-sets the items' texts only; the selection stays.
    m_form->retranslateUi(m_widget);
}

QCheckBox *OneKeyPage::groupBox(int group) const
{
    switch (group) {
    case 1: return m_form->t7_g2_n1_checkBox;
    case 2: return m_form->t7_g2_n4_checkBox;
    case 3: return m_form->t7_g2_n5_checkBox;
    case 4: return m_form->t7_g2_n6_checkBox;
    case 5: return m_form->t7_g2_n7_checkBox;
    default: return nullptr;
    }
}

void OneKeyPage::setOneKeyPageDisabled(bool disabled)
{
    Ui::OneKeyPageForm &f = *m_form;
    for (QWidget *w : {static_cast<QWidget *>(f.t7_g2_n1_checkBox), static_cast<QWidget *>(f.t7_g2_n3a_label),
                       static_cast<QWidget *>(f.t7_g2_n3_comboBox), static_cast<QWidget *>(f.t7_g2_n4_checkBox),
                       static_cast<QWidget *>(f.t7_g2_n5_checkBox), static_cast<QWidget *>(f.t7_g2_n6_checkBox),
                       static_cast<QWidget *>(f.t7_g2_n7_checkBox), static_cast<QWidget *>(f.t7_g3_pushButton_1_read),
                       static_cast<QWidget *>(f.t7_g3_pushButton_1_OKC),
                       static_cast<QWidget *>(f.t7_g3_pushButton_2_stop)})
        w->setDisabled(disabled);
    setOneKeyProgress(disabled, 0);
}

void OneKeyPage::setOneKeyProgress(bool disabled, int value)
{
    QProgressBar *bar = m_form->t7_g2_n8_progressBar;
    bar->setDisabled(disabled);
    bar->setValue(disabled ? 0 : value);
}

void OneKeyPage::setPageTabsLocked(bool locked)
{
    for (int i = 0; i < kLockedTabs && i < m_pageTabs->count(); ++i)
        m_pageTabs->setTabEnabled(i, !locked);
}

uint8_t OneKeyPage::oneKeyModeValue() const
{
    const int item = m_form->t7_g2_n3_comboBox->currentIndex();
    return (item >= 0 && item < 4) ? kModes[item] : 0;
}

void OneKeyPage::setOneKeyModeValue(uint8_t mode)
{
    int item = 0;
    for (int i = 1; i < 4; ++i) {
        if (kModes[i] == mode)
            item = i;
    }
    m_form->t7_g2_n3_comboBox->setCurrentIndex(item);
}

uint8_t OneKeyPage::oneKeyGroupValue(int group) const
{
    const QCheckBox *box = groupBox(group);
    return box && box->isChecked() ? 1 : 0;
}

void OneKeyPage::setOneKeyGroupValue(int group, bool on)
{
    if (QCheckBox *box = groupBox(group))
        box->setChecked(on);
}

void OneKeyPage::endRunOnPortClosed()
{
    m_sequencer.dropRun();
    setOneKeyProgress(true, 0);
    setPageTabsLocked(false);
}

// ---- buttons --------------------------------------------------------------------

void OneKeyPage::startRun(uint16_t code)
{
    m_jobs.requestPageJob(7, code);
    setOneKeyProgress(false, 0);
    setPageTabsLocked(true);
    m_jobs.clearPageJobMarks();
}

void OneKeyPage::on_t7_g3_pushButton_1_read_clicked()
{
    qDebug() << "t7_g3_pushButton_1_read";
    startRun(kRead);
}

void OneKeyPage::on_t7_g3_pushButton_1_OKC_clicked()
{
    qDebug() << "t7_g3_pushButton_1_OKC";
    startRun(kConfigure);
}

void OneKeyPage::on_t7_g3_pushButton_2_stop_clicked()
{
    qDebug() << "on_t7_g3_pushButton_2_stop_clicked";
    m_jobs.requestPageJob(7, kStop);
    setOneKeyProgress(true, 0);
    setPageTabsLocked(false);
}

void OneKeyPage::on_t7_g3_pushButton_1_read_1_OKC_end()
{
    qDebug() << "on_t7_g3_pushButton_1_read_1_OKC_end"
             << "\r\n";
    m_jobs.requestPageJob(7, kStop);
    setPageTabsLocked(false);
}

void OneKeyPage::on_t7_g2_btn_22_save_power_down_param_clicked()
{
    qDebug() << "t7_g2_btn_22_save_power_down_param";
    m_jobs.requestPageJob(kModeControlPage, kStoreParameters);
}

void OneKeyPage::on_t7_g1_pushButton_3_export_param_clicked()
{
    qDebug() << "t7_g1_pushButton_3_export_param";
    emit exportParamRequested();
}

void OneKeyPage::on_t7_g1_pushButton_2_import_param_clicked()
{
    qDebug() << "t7_g1_pushButton_2_import_param";
    emit importParamRequested();
}

#pragma once

#include "report/ReportWalk.h"

#include <QRadioButton>

namespace app {

// The save options as the two option buttons show them at this moment.
class RadioSaveOption final : public report::SaveOption
{
public:
    RadioSaveOption(const QRadioButton *option1, const QRadioButton *option2) : m_option1(option1), m_option2(option2) {}
    bool deviceListSelected() const override { return m_option1->isChecked(); }
    bool withPropertiesSelected() const override { return m_option2->isChecked(); }

private:
    const QRadioButton *m_option1;
    const QRadioButton *m_option2;
};

} // namespace app

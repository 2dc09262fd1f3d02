#pragma once
// One named parameter of a command line: «/out result.txt» has the name
// «out» and the value «result.txt».

#include <QString>

namespace pembry {

class clsCommandParam {
public:
    QString ParamValue() const { return m_value; }
    void setParamValue(const QString &value) { m_value = value; }
    QString ParamName() const { return m_name; }
    void setParamName(const QString &value) { m_name = value; }

private:
    QString m_value;
    QString m_name;
};

}  // namespace pembry

#include "waybill/form_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

FormValue::FormValue(QString fileName, QString what, QString path, QJsonValue value)
    : m_fileName(std::move(fileName)), m_what(std::move(what)), m_path(std::move(path)), m_value(std::move(value))
{
}

FormValue FormValue::document(const QString &fileName, const QByteArray &bytes, const QString &what)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (json.isNull())
        throw AppError(QStringLiteral(u"%1 %2 有误：不是有效的 JSON（%3，第 %4 字节）")
                           .arg(what, fileName, error.errorString())
                           .arg(error.offset));
    if (!json.isObject())
        throw AppError(QStringLiteral(u"%1 %2 有误：最外层应为对象").arg(what, fileName));
    return FormValue(fileName, what, QString(), json.object());
}

void FormValue::fail(const QString &problem) const
{
    throw AppError(QStringLiteral(u"%1 %2 有误：%3").arg(m_what, m_fileName, problem));
}

void FormValue::reject(const QString &problem) const
{
    fail(m_path + QStringLiteral(u"：") + problem);
}

QJsonObject FormValue::object() const
{
    if (!m_value.isObject())
        fail(QStringLiteral(u"%1 应为对象").arg(m_path));
    return m_value.toObject();
}

FormValue FormValue::operator[](const QString &key) const
{
    const QJsonObject values = object();
    const QString path = m_path.isEmpty() ? key : m_path + QLatin1Char('.') + key;
    if (!values.contains(key))
        fail(QStringLiteral(u"缺少 %1").arg(path));
    return FormValue(m_fileName, m_what, path, values.value(key));
}

bool FormValue::has(const QString &key) const
{
    return object().contains(key);
}

QStringList FormValue::keys() const
{
    return object().keys();
}

QList<FormValue> FormValue::elements() const
{
    if (!m_value.isArray())
        fail(QStringLiteral(u"%1 应为数组").arg(m_path));
    QList<FormValue> fields;
    const QJsonArray array = m_value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i)
        fields.append(FormValue(m_fileName, m_what, QStringLiteral("%1[%2]").arg(m_path).arg(i), array.at(i)));
    return fields;
}

double FormValue::toDouble(double min, double max) const
{
    if (!m_value.isDouble())
        fail(QStringLiteral(u"%1 应为数").arg(m_path));
    const double value = m_value.toDouble();
    if (!std::isfinite(value) || value < min || value > max)
        fail(QStringLiteral(u"%1 应在 %2 到 %3 之间（现为 %4）").arg(m_path).arg(min).arg(max).arg(value));
    return value;
}

int FormValue::toInt(int min, int max) const
{
    const double value = toDouble(min, max);
    if (value != std::floor(value))
        fail(QStringLiteral(u"%1 应为整数（现为 %2）").arg(m_path).arg(value));
    return int(value);
}

QString FormValue::toText() const
{
    if (!m_value.isString())
        fail(QStringLiteral(u"%1 应为文字").arg(m_path));
    return m_value.toString();
}

bool FormValue::toBool() const
{
    if (!m_value.isBool())
        fail(QStringLiteral(u"%1 应为 true 或 false").arg(m_path));
    return m_value.toBool();
}

QSize FormValue::toSize(int min, int max) const
{
    const QList<FormValue> pair = elements();
    if (pair.size() != 2)
        fail(QStringLiteral(u"%1 应为两个数").arg(m_path));
    return {pair[0].toInt(min, max), pair[1].toInt(min, max)};
}

QSizeF FormValue::toSizeF(double min, double max) const
{
    const QList<FormValue> pair = elements();
    if (pair.size() != 2)
        fail(QStringLiteral(u"%1 应为两个数").arg(m_path));
    return {pair[0].toDouble(min, max), pair[1].toDouble(min, max)};
}

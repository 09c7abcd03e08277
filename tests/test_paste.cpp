// The paste recognition: pasted recipients split into the editor's fields,
// and the division table's cities; the corpora under tests/data/paste/.
#include "import/divisions.h"
#include "import/paste_parser.h"

#include <QFile>
#include <QtTest>

Q_DECLARE_METATYPE(PastedRecipient)

namespace {

// name, mobile, phone, postcode, address, destination[, company, remarks]
PastedRecipient recipientOf(const QStringList &fields)
{
    PastedRecipient recipient;
    QString *const parts[] = {&recipient.name,    &recipient.mobile,      &recipient.phone,   &recipient.postcode,
                              &recipient.address, &recipient.destination, &recipient.company, &recipient.remarks};
    for (qsizetype i = 0; i < fields.size() && i < qsizetype(std::size(parts)); ++i)
        *parts[i] = fields[i];
    return recipient;
}

QString shown(const PastedRecipient &r)
{
    return QStringList{r.name, r.mobile, r.phone, r.postcode, r.address, r.destination, r.company, r.remarks}.join(
        QLatin1Char('|'));
}

QString unescaped(const QString &field)
{
    QString text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == u'\\' && i + 1 < field.size()) {
            const QChar next = field[++i];
            text += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next;
        } else {
            text += field[i];
        }
    }
    return text;
}

} // namespace

class TestPaste : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void citiesOfAddresses_data();
    void citiesOfAddresses();
    void pastedTextsAreSplit_data();
    void pastedTextsAreSplit();
    void pastedKindsAreSplit_data();
    void pastedKindsAreSplit();
    void corpusIsSplit_data();
    void corpusIsSplit();
    void pastedColumnsNameEveryField();
};

void TestPaste::citiesOfAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("city");
    QTest::newRow("province and city") << u"浙江省杭州市西湖区文三路90号"_qs << u"杭州市"_qs;
    QTest::newRow("with blanks") << u"浙江省 杭州市 西湖区 文三路90号"_qs << u"杭州市"_qs;
    QTest::newRow("city only") << u"广州市天河区体育西路3号"_qs << u"广州市"_qs;
    QTest::newRow("municipality") << u"上海 上海市 浦东新区 张江路2号"_qs << u"上海市"_qs;
    QTest::newRow("autonomous region") << u"广西壮族自治区南宁市青秀区1号"_qs << u"南宁市"_qs;
    QTest::newRow("autonomous prefecture") << u"湖北省恩施土家族苗族自治州恩施市1号"_qs << u"恩施土家族苗族自治州"_qs;
    QTest::newRow("no city named") << u"文三路90号"_qs << u""_qs;
}

void TestPaste::citiesOfAddresses()
{
    QFETCH(QString, address);
    QFETCH(QString, city);
    QCOMPARE(cityNamedIn(address), city);
}

void TestPaste::pastedTextsAreSplit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PastedRecipient>("expected");
    // Recipients as people write them: municipalities, autonomous regions
    // and prefectures, county-level cities, names without 省/市, a district alone.
    struct Base {
        const char16_t *name, *mobile, *phone, *postcode, *address, *city;
    };
    const Base bases[] = {
        {u"张三", u"13812345678", u"", u"", u"浙江省杭州市西湖区文三路90号", u"杭州市"},
        {u"李四", u"13912345678", u"", u"", u"北京市朝阳区建国路88号SOHO现代城5号楼", u"北京市"},
        {u"王小明", u"13700001111", u"", u"", u"上海浦东新区张江路2号", u"上海市"},
        {u"赵敏", u"15800002222", u"", u"", u"重庆渝中区解放碑步行街8号", u"重庆市"},
        {u"欧阳娜娜", u"18600003333", u"", u"", u"天津市和平区南京路100号", u"天津市"},
        {u"陈七", u"", u"020-12345678", u"", u"广州市天河区体育西路3号", u"广州市"},
        {u"周九", u"13500004444", u"", u"", u"广西壮族自治区南宁市青秀区民族大道1号", u"南宁市"},
        {u"吴十", u"13600005555", u"", u"", u"新疆维吾尔自治区乌鲁木齐市天山区解放北路1号", u"乌鲁木齐市"},
        {u"郑一", u"13700006666", u"", u"", u"湖北省恩施土家族苗族自治州恩施市舞阳大道2号", u"恩施土家族苗族自治州"},
        {u"孙二", u"15000007777", u"", u"", u"湖北恩施市航空大道5号", u"恩施土家族苗族自治州"},
        {u"钱三", u"15100008888", u"", u"", u"江苏苏州工业园区星湖街328号", u"苏州市"},
        {u"冯四", u"15200009999", u"", u"", u"广东深圳南山区科技园路1号", u"深圳市"},
        {u"褚五", u"15300001234", u"", u"", u"浙江省义乌市稠州北路100号", u"金华市"},
        {u"卫六", u"15500002345", u"", u"", u"云南省大理白族自治州大理市下关镇1号", u"大理白族自治州"},
        {u"蒋七", u"15600003456", u"", u"", u"内蒙古呼和浩特市新城区中山路5号", u"呼和浩特市"},
        {u"沈八", u"15700004567", u"", u"", u"西藏拉萨市城关区北京中路1号", u"拉萨市"},
        {u"韩九", u"15800005678", u"", u"", u"宁夏银川市兴庆区解放西街2号", u"银川市"},
        {u"杨十", u"15900006789", u"", u"", u"黑龙江省哈尔滨市南岗区西大直街92号", u"哈尔滨市"},
        {u"Tom Lee", u"18800007890", u"", u"", u"上海市徐汇区漕溪北路88号", u"上海市"},
        {u"朱一", u"18900008901", u"", u"", u"海南省三亚市吉阳区迎宾路1号", u"三亚市"},
        {u"秦二", u"", u"0571-88886666", u"", u"浙江杭州余杭区文一西路969号", u"杭州市"},
        {u"尤三", u"13812340000", u"", u"330038", u"江西省南昌市红谷滩区丰和中大道1号", u"南昌市"},
        {u"许四", u"13912341111", u"", u"", u"河北省石家庄市长安区中山东路1号", u"石家庄市"},
        {u"何五", u"13012342222", u"", u"", u"吉林省延边朝鲜族自治州延吉市人民路1号", u"延边朝鲜族自治州"},
        {u"吕六", u"13112343333", u"", u"", u"四川省成都市武侯区人民南路四段1号", u"成都市"},
        {u"施七", u"13212344444", u"", u"", u"山东青岛市南区香港中路10号", u"青岛市"},
        {u"张伟", u"17712345678", u"", u"", u"海淀区中关村大街1号", u"北京市"},
        {u"孔八", u"13312345555", u"0592-2345678", u"361001", u"福建省厦门市思明区鹭江道8号", u"厦门市"},
        {u"曹九", u"13412346666", u"", u"", u"陕西西安雁塔区小寨东路1号", u"西安市"},
        {u"严十", u"14712347777", u"", u"", u"贵州省黔东南苗族侗族自治州凯里市北京西路1号", u"黔东南苗族侗族自治州"},
    };
    for (const Base &base : bases) {
        const QString name = QString::fromUtf16(base.name);
        const QString mobile = QString::fromUtf16(base.mobile);
        const QString phone = QString::fromUtf16(base.phone);
        const QString postcode = QString::fromUtf16(base.postcode);
        const QString address = QString::fromUtf16(base.address);
        const PastedRecipient expected =
            recipientOf({name, mobile, phone, postcode, address, QString::fromUtf16(base.city)});
        const QString number = mobile.isEmpty() ? phone : mobile;
        const QString dashed =
            mobile.isEmpty() ? phone : mobile.left(3) + u'-' + mobile.mid(3, 4) + u'-' + mobile.mid(7);
        const QString plus =
            mobile.isEmpty() ? phone : u"+86 "_qs + mobile.left(3) + u' ' + mobile.mid(3, 4) + u' ' + mobile.mid(7);
        const QString extra = (mobile.isEmpty() || phone.isEmpty() ? QString() : u" "_qs + phone)
            + (postcode.isEmpty() ? QString() : u" 邮编"_qs + postcode);
        QTest::addRow("%s: name number address", qPrintable(name))
            << name + u' ' + number + u' ' + address + extra << expected;
        QTest::addRow("%s: address first, Chinese commas", qPrintable(name))
            << address + u"，"_qs + name + u"，"_qs + number + extra << expected;
        QTest::addRow("%s: labelled lines", qPrintable(name))
            << u"收件人："_qs + name + u"\n手机："_qs + number + u"\n地址："_qs + address + extra << expected;
        QTest::addRow("%s: English commas, dashes", qPrintable(name))
            << name + u',' + dashed + u',' + address + extra << expected;
        QTest::addRow("%s: +86, tabs, number first", qPrintable(name))
            << plus + u'\t' + name + u'\t' + address + extra << expected;
    }
    // Written otherwise still.
    QTest::newRow("address in blanks")
        << u"张三 13812345678 浙江省 杭州市 西湖区 文三路90号"_qs
        << recipientOf({u"张三"_qs, u"13812345678"_qs, {}, {}, u"浙江省杭州市西湖区文三路90号"_qs, u"杭州市"_qs});
    QTest::newRow("name glued to the address")
        << u"张三浙江省杭州市西湖区文三路90号 13812345678"_qs
        << recipientOf({u"张三"_qs, u"13812345678"_qs, {}, {}, u"浙江省杭州市西湖区文三路90号"_qs, u"杭州市"_qs});
    QTest::newRow("area code in brackets, extension")
        << u"王五（0755）26881234转806 深圳市南山区高新南一道1号"_qs
        << recipientOf({u"王五"_qs, {}, u"0755-26881234-806"_qs, {}, u"深圳市南山区高新南一道1号"_qs, u"深圳市"_qs});
    QTest::newRow("full-width digits")
        << u"李雷 １３８１２３４５６７８ 上海市黄浦区南京东路1号"_qs
        << recipientOf({u"李雷"_qs, u"13812345678"_qs, {}, {}, u"上海市黄浦区南京东路1号"_qs, u"上海市"_qs});
    QTest::newRow("order block with region line")
        << u"收货人: 韩梅梅\n手机号码: 13900001111\n所在地区: 广东省 广州市 越秀区\n详细地址: 北京路1号"_qs
        << recipientOf({u"韩梅梅"_qs, u"13900001111"_qs, {}, {}, u"广东省广州市越秀区北京路1号"_qs, u"广州市"_qs});
    QTest::newRow("the city alone, no suffix")
        << u"马六 13700001234 杭州滨江区网商路699号"_qs
        << recipientOf({u"马六"_qs, u"13700001234"_qs, {}, {}, u"杭州滨江区网商路699号"_qs, u"杭州市"_qs});
}

void TestPaste::pastedTextsAreSplit()
{
    QFETCH(QString, text);
    QFETCH(PastedRecipient, expected);
    const PastedRecipient parsed = parsePastedRecipient(text);
    const auto shown = [](const PastedRecipient &r) {
        return QStringList{r.name, r.mobile, r.phone, r.postcode, r.address, r.destination}.join(QLatin1Char('|'));
    };
    QCOMPARE(shown(parsed), shown(expected));
}

void TestPaste::pastedKindsAreSplit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PastedRecipient>("expected");
    const auto row = [](const char *name, const QString &text, const QStringList &fields) {
        QTest::newRow(name) << text << recipientOf(fields);
    };
    // Whatever stands before the region leaves it to be found.
    row("unknown region label", u"收件人：林晓丽\n手机：13812345678\n地区：浙江省杭州市西湖区\n详细地址：文三路90号"_qs,
        {u"林晓丽"_qs, u"13812345678"_qs, {}, {}, u"浙江省杭州市西湖区文三路90号"_qs, u"杭州市"_qs});
    row("省市区 label", u"王芳 13912345678 省市区：江苏省 南京市 鼓楼区 详细地址：中山北路1号"_qs,
        {u"王芳"_qs, u"13912345678"_qs, {}, {}, u"江苏省南京市鼓楼区中山北路1号"_qs, u"南京市"_qs});
    row("detail before its region",
        u"姓名：李雷\n详细地址：北京路1号\n所在地区：广东省 广州市 越秀区\n电话：13800001111"_qs,
        {u"李雷"_qs, u"13800001111"_qs, {}, {}, u"广东省广州市越秀区北京路1号"_qs, u"广州市"_qs});
    row("company line", u"单位：杭州华星科技有限公司\n收件人：赵敏 13700002222\n浙江省杭州市滨江区网商路699号"_qs,
        {u"赵敏"_qs,
         u"13700002222"_qs,
         {},
         {},
         u"浙江省杭州市滨江区网商路699号"_qs,
         u"杭州市"_qs,
         u"杭州华星科技有限公司"_qs});
    row("(+86) and an order number",
        u"订单号：202312100001234567 张伟 (+86)13512345678 四川省成都市武侯区人民南路四段1号"_qs,
        {u"张伟"_qs, u"13512345678"_qs, {}, {}, u"四川省成都市武侯区人民南路四段1号"_qs, u"成都市"_qs});
    row("second mobile", u"收货人：周杰 手机：13612345678 备用手机：15912345678 地址：湖南省长沙市岳麓区麓山南路2号"_qs,
        {u"周杰"_qs, u"13612345678"_qs, u"15912345678"_qs, {}, u"湖南省长沙市岳麓区麓山南路2号"_qs, u"长沙市"_qs});
    // Privacy numbers keep their extension with the mobile.
    row("privacy 转", u"孙丽 17012345678 转 5566 山东省济南市历下区泉城路1号"_qs,
        {u"孙丽"_qs, u"17012345678转5566"_qs, {}, {}, u"山东省济南市历下区泉城路1号"_qs, u"济南市"_qs});
    row("privacy dash", u"吴刚，18473461234-7804，湖北省武汉市洪山区珞喻路1037号"_qs,
        {u"吴刚"_qs, u"18473461234转7804"_qs, {}, {}, u"湖北省武汉市洪山区珞喻路1037号"_qs, u"武汉市"_qs});
    row("privacy in brackets", u"钱晓[5521]，17012345678，浙江省宁波市鄞州区天童南路301[5521]"_qs,
        {u"钱晓"_qs, u"17012345678转5521"_qs, {}, {}, u"浙江省宁波市鄞州区天童南路301"_qs, u"宁波市"_qs});
    // Names.
    row("middle dot", u"迪丽娜尔·阿不都 13912340000 新疆维吾尔自治区乌鲁木齐市天山区解放北路1号"_qs,
        {u"迪丽娜尔·阿不都"_qs,
         u"13912340000"_qs,
         {},
         {},
         u"新疆维吾尔自治区乌鲁木齐市天山区解放北路1号"_qs,
         u"乌鲁木齐市"_qs});
    row("bullet for the dot", u"买买提•艾力，13912341111，新疆喀什地区喀什市人民东路2号"_qs,
        {u"买买提·艾力"_qs, u"13912341111"_qs, {}, {}, u"新疆喀什地区喀什市人民东路2号"_qs, u"喀什地区"_qs});
    row("surname apart", u"陈 静 13812349999 上海市徐汇区漕溪北路88号"_qs,
        {u"陈静"_qs, u"13812349999"_qs, {}, {}, u"上海市徐汇区漕溪北路88号"_qs, u"上海市"_qs});
    row("name with 收", u"刘洋（收） 13700009999 北京市海淀区中关村大街1号"_qs,
        {u"刘洋"_qs, u"13700009999"_qs, {}, {}, u"北京市海淀区中关村大街1号"_qs, u"北京市"_qs});
    row("late name label", u"浙江省杭州市西湖区文三路90号 技术部 收件人：姚佳 13812345678"_qs,
        {u"姚佳"_qs, u"13812345678"_qs, {}, {}, u"浙江省杭州市西湖区文三路90号技术部"_qs, u"杭州市"_qs});
    row("chat words", u"亲，麻烦寄到 广东省深圳市南山区科技园路1号 黄磊 13612341234 谢谢"_qs,
        {u"黄磊"_qs, u"13612341234"_qs, {}, {}, u"广东省深圳市南山区科技园路1号"_qs, u"深圳市"_qs});
    row("老板 我的地址", u"老板 我的地址是福建省厦门市思明区鹭江道8号，寄给 何平 15012345678"_qs,
        {u"何平"_qs, u"15012345678"_qs, {}, {}, u"福建省厦门市思明区鹭江道8号"_qs, u"厦门市"_qs});
    row("masked mobile", u"收件人：郑爽 手机：138****5678 地址：河南省郑州市金水区花园路1号"_qs,
        {u"郑爽"_qs, u"138****5678"_qs, {}, {}, u"河南省郑州市金水区花园路1号"_qs, u"郑州市"_qs});
    // Destinations: the prefecture-level city.
    row("county-level city alone", u"林峰 13800000001 福清市融城镇清昌大道1号"_qs,
        {u"林峰"_qs, u"13800000001"_qs, {}, {}, u"福清市融城镇清昌大道1号"_qs, u"福州市"_qs});
    row("county alone", u"许可 13800000002 广东省惠来县惠城镇1号"_qs,
        {u"许可"_qs, u"13800000002"_qs, {}, {}, u"广东省惠来县惠城镇1号"_qs, u"揭阳市"_qs});
    row("direct county written out", u"田甜 13800000003 湖北省省直辖县级行政区划仙桃市沔阳大道1号"_qs,
        {u"田甜"_qs, u"13800000003"_qs, {}, {}, u"湖北省省直辖县级行政区划仙桃市沔阳大道1号"_qs, u"仙桃市"_qs});
    row("神农架", u"马力 13800000004 湖北神农架林区松柏镇1号"_qs,
        {u"马力"_qs, u"13800000004"_qs, {}, {}, u"湖北神农架林区松柏镇1号"_qs, u"神农架林区"_qs});
    row("海南 自治县 short", u"符美 13800000005 海南陵水椰林镇1号"_qs,
        {u"符美"_qs, u"13800000005"_qs, {}, {}, u"海南陵水椰林镇1号"_qs, u"陵水黎族自治县"_qs});
    row("renamed city", u"高峰 13800000006 山东省莱芜市莱城区凤城大街1号"_qs,
        {u"高峰"_qs, u"13800000006"_qs, {}, {}, u"山东省莱芜市莱城区凤城大街1号"_qs, u"济南市"_qs});
    row("county became a district", u"叶青 13800000007 浙江省富阳市富春街道1号"_qs,
        {u"叶青"_qs, u"13800000007"_qs, {}, {}, u"浙江省富阳市富春街道1号"_qs, u"杭州市"_qs});
    // Leftovers.
    row("remarks", u"收件人：曹操 13800000008 地址：河北省石家庄市长安区中山东路1号 备注：下午送"_qs,
        {u"曹操"_qs,
         u"13800000008"_qs,
         {},
         {},
         u"河北省石家庄市长安区中山东路1号"_qs,
         u"石家庄市"_qs,
         {},
         u"下午送"_qs});
    row("traditional labels", u"收件人：陳靜\n電話：13800000009\n地址：廣東省廣州市天河區體育西路3號"_qs,
        {u"陈静"_qs, u"13800000009"_qs, {}, {}, u"广东省广州市天河区体育西路3号"_qs, u"广州市"_qs});
    row("landline in blanks", u"宋江 0755 8888 6666 广东省深圳市福田区深南大道1号"_qs,
        {u"宋江"_qs, {}, u"0755-88886666"_qs, {}, u"广东省深圳市福田区深南大道1号"_qs, u"深圳市"_qs});
    row("postcode in brackets", u"卢俊 13800000010 浙江省杭州市西湖区文三路90号(310012)"_qs,
        {u"卢俊"_qs, u"13800000010"_qs, {}, u"310012"_qs, u"浙江省杭州市西湖区文三路90号"_qs, u"杭州市"_qs});
    row("municipality repeated", u"武松 13800000011 北京 北京市 朝阳区 建国路88号"_qs,
        {u"武松"_qs, u"13800000011"_qs, {}, {}, u"北京北京市朝阳区建国路88号"_qs, u"北京市"_qs});
}

void TestPaste::pastedKindsAreSplit()
{
    QFETCH(QString, text);
    QFETCH(PastedRecipient, expected);
    QCOMPARE(shown(parsePastedRecipient(text)), shown(expected));
}

void TestPaste::corpusIsSplit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PastedRecipient>("expected");
    const QDir folder(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/paste"));
    const QStringList files = folder.entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), "no corpus under tests/data/paste");
    for (const QString &name : files) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QStringList fields = lines[i].split(QLatin1Char('\t'));
            QVERIFY2(fields.size() == 10, qPrintable(name + QStringLiteral(": line %1").arg(i + 1)));
            QStringList expected;
            for (qsizetype f = 2; f < fields.size(); ++f)
                expected << unescaped(fields[f]);
            QTest::addRow("%s:%lld %s", qPrintable(name), qlonglong(i + 1), qPrintable(fields[0]))
                << unescaped(fields[1]) << recipientOf(expected);
        }
    }
}

void TestPaste::corpusIsSplit()
{
    QFETCH(QString, text);
    QFETCH(PastedRecipient, expected);
    QCOMPARE(shown(parsePastedRecipient(text)), shown(expected));
}

void TestPaste::pastedColumnsNameEveryField()
{
    // Every field goes to a column, also when empty: a second paste clears the first one's.
    const QList<QPair<QString, QString>> columns = pastedColumns(parsePastedRecipient(u"张三"_qs));
    QCOMPARE(columns.size(), 8);
    QStringList names;
    for (const auto &[column, text] : columns)
        names << column + QLatin1Char('=') + text;
    QCOMPARE(names.join(QLatin1Char(',')),
             u"单位名称=,收件人姓名=张三,目的地=,收件地址=,邮政编码=,联系电话=,手机号码=,备注="_qs);
}

QTEST_GUILESS_MAIN(TestPaste)
#include "test_paste.moc"

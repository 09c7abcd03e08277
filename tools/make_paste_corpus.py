#!/usr/bin/env python3
"""Makes tests/data/paste/generated.tsv, cases for the paste recognition.

Every case is a recipient text as people paste it (shop back-end lines,
chat messages, one-line lists ...) with the fields the recognition should
give. Places are drawn from import/data/divisions.txt, so the cases follow
the table the program ships. The output depends only on the table and on
the fixed seed (and on opencc's tables for the traditional-character cases).

Usage: tools/make_paste_corpus.py [output.tsv]
"""
import os
import random
import re
import shutil
import subprocess
import sys
from collections import Counter, OrderedDict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE = os.path.join(ROOT, 'import', 'data', 'divisions.txt')
OUT = os.path.join(ROOT, 'tests', 'data', 'paste', 'generated.tsv')
SEED = 20240611
FIELDS = ['kind', 'text', 'name', 'mobile', 'phone', 'postcode', 'address', 'destination', 'company',
          'remarks']

MUNICIPALITY_ROWS = ('市辖区', '县')
DIRECT_ROWS = ('省直辖县级行政区划', '自治区直辖县级行政区划')
TOWN_CITIES = ('东莞市', '中山市', '儋州市', '嘉峪关市')
SKIPPED_CITIES = ('三沙市',)  # islands and reefs, no street addresses
REAL_NEW_DISTRICTS = ('浦东新区', '滨海新区', '沈北新区', '清新区')
PSEUDO_WORDS = ('开发区', '管理区', '产业园区', '工业园区', '创意园区', '化工园区', '风景名胜区', '示范区', '管委会',
                '学院', '行政委员会', '群岛', '岛礁', '新城')


def is_real_division(name):
    """False for the development zones and similar units the table also lists."""
    if any(word in name for word in PSEUDO_WORDS):
        return False
    if name.endswith('新区') and name not in REAL_NEW_DISTRICTS:
        return False
    return True


def stem(name):
    """The name without its level word: 杭州市 -> 杭州, 陵水黎族自治县 -> 陵水."""
    if '自治' in name:
        return name[:2]
    for suffix in ('特别行政区', '地区', '林区', '新区', '街道', '省', '市', '区', '县', '旗', '盟', '镇'):
        if name.endswith(suffix) and len(name) > len(suffix):
            return name[:-len(suffix)]
    return name


class Place:
    """One county-level place with the way it is written and its destination."""

    def __init__(self, province, city, county, destination, shape):
        self.province = province
        self.city = city  # None for municipalities and directly governed divisions
        self.county = county
        self.destination = destination
        self.shape = shape  # normal, municipality, direct, town

    def parts(self, with_province=True, with_city=True):
        parts = []
        if with_province:
            parts.append(self.province)
        if self.city and with_city:
            parts.append(self.city)
        parts.append(self.county)
        return parts


def load_table():
    rows = []
    with open(TABLE, encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            province, city, counties = line.split('\t')
            rows.append((province, city, counties.split(',')))
    return rows


class Table:
    def __init__(self, rows):
        self.rows = rows
        self.provinces = list(OrderedDict.fromkeys(r[0] for r in rows))
        self.municipalities = [p for p, c, _ in rows if c in MUNICIPALITY_ROWS]
        self.municipalities = list(OrderedDict.fromkeys(self.municipalities))
        self.cities = [c for _, c, _ in rows if c not in MUNICIPALITY_ROWS + DIRECT_ROWS]
        self.direct = [d for _, c, ds in rows if c in DIRECT_ROWS for d in ds]
        self.destinations = set(self.cities) | set(self.municipalities) | set(self.direct)
        self.places = []  # every real county-level place
        self.by_row = []  # the places of each prefecture-level row
        for province, city, counties in rows:
            if city in SKIPPED_CITIES:
                continue
            row_places = []
            for county in counties:
                if not is_real_division(county):
                    continue
                if city in MUNICIPALITY_ROWS:
                    place = Place(province, None, county, province, 'municipality')
                elif city in DIRECT_ROWS:
                    place = Place(province, None, county, county, 'direct')
                elif city in TOWN_CITIES:
                    place = Place(province, city, county, city, 'town')
                else:
                    place = Place(province, city, county, city, 'normal')
                row_places.append(place)
            if row_places:
                self.by_row.append(row_places)
                self.places.extend(row_places)
        names = Counter(p.county for p in self.places)
        everything = self.provinces + self.cities + [p.county for p in self.places]
        self.stems = {}
        for name in everything:
            self.stems.setdefault(stem(name), set()).add(name)
        self.long_stems = sorted(s for s in self.stems if len(s) >= 2)
        city_names = set(self.cities) | set(self.municipalities)

        def alone(place):
            """The county-level name is enough to find the place."""
            return (names[place.county] == 1 and place.county not in city_names
                    and (len(stem(place.county)) < 2 or len(self.stems[stem(place.county)]) == 1))

        self.lone_counties = [p for p in self.places if p.shape == 'normal' and not p.county.endswith('区')
                              and alone(p)]
        self.lone_districts = [p for p in self.places if p.shape in ('normal', 'municipality')
                               and p.county.endswith('区') and alone(p)]
        self.shared_districts = sorted(n for n, k in names.items() if k > 1 and n.endswith('区')
                                       and n not in ('城区', '矿区', '郊区'))

    def names_a_place(self, text):
        """True when the text holds the stem of some division (高平, 海东 ...)."""
        return any(s in text for s in self.long_stems)


SEPARATORS = ['\n', '，', ',', '、', ';', '；', '|', '\t', ' ', ' | ', '\n\n']
LABEL_SEPARATORS = ['：', ':', ' ', ': ', '： ', '']
NAME_LABELS = ['收件人', '收货人', '姓名', '联系人', '收件人姓名', '收货人姓名']
MOBILE_LABELS = ['手机', '手机号', '手机号码', '电话', '联系电话', '联系方式', '收件人手机']
ADDRESS_LABELS = ['地址', '收货地址', '详细地址', '收件地址', '收件人地址']
REGION_LABELS = ['所在地区', '地区', '省市区', '收货地区']
UNKNOWN_LABELS = ['寄送地址', '邮寄地址', '配送地址', '送货地址', '家庭住址', '联系地址', '快递地址', '收货信息',
                  '寄到', '送至']
COMPANY_LABELS = ['单位', '公司', '单位名称', '收件单位']
REMARK_LABELS = ['备注', '留言', '买家留言']
POSTCODE_LABELS = ['邮编', '邮政编码']
SECOND_MOBILE_LABELS = ['备用手机', '备用电话', '其他电话']
LANDLINE_LABELS = ['电话', '座机', '固话', '固定电话']

SURNAMES = list('王李张刘陈杨黄赵吴周徐孙马朱胡郭何林罗高郑梁谢宋唐许韩冯邓曹彭曾萧田董潘袁蔡蒋余于杜叶程魏苏吕丁'
                '任卢姚沈钟姜崔谭陆范汪廖石金韦贾夏付方邹熊白孟秦邱侯江尹薛闫段雷黎史陶贺毛郝顾龚邵钱严莫孔常汤康易乔赖')
COMPOUND_SURNAMES = ['欧阳', '司马', '诸葛', '上官', '慕容', '司徒', '皇甫', '尉迟', '公孙', '令狐', '夏侯', '长孙',
                     '宇文', '端木']
GIVEN1 = list('芳静伟敏磊洋艳勇军杰娟涛明超秀霞刚丽强鹏辉玲婷华飞鑫波斌宇浩凯健琳雪倩晨颖欣蕾悦琪瑶')
GIVEN2 = ['建华', '晓燕', '志强', '秀英', '海燕', '丽娟', '文博', '子涵', '雨轩', '浩然', '欣怡', '思远', '佳怡',
          '俊杰', '梓萱', '宇航', '雅琴', '国庆', '春梅', '晓东', '丽华', '建国', '玉兰', '红梅', '海涛', '婉婷',
          '明轩', '一诺', '若曦', '家豪', '诗琪', '天佑', '志伟', '慧敏', '晓丽', '德明', '凤英', '桂芳', '永刚',
          '佳琪', '梦瑶', '振宇', '淑珍', '文静', '嘉欣', '睿哲', '思琪', '立新', '美玲']
LATIN_NAMES = ['Tom Lee', 'Anna Schmidt', 'David Chen', 'Maria Garcia', 'John Smith', 'Emily Wang', 'Kevin Zhang',
               'Sarah Johnson', 'Michael Brown', 'Lucas Martin', 'Olga Petrova', 'Yuki Tanaka', 'Ahmed Hassan',
               'Peter Muller', 'Grace Liu']
DOT_NAMES = ['迪丽娜尔·阿不都', '买买提·艾力', '阿依古丽·买买提', '努尔兰·哈力木', '古丽米拉·吐尔逊', '艾尔肯·吐尔洪',
             '热依拉·艾山', '阿卜杜拉·热合曼', '帕提古丽·阿布都热依木', '叶尔兰·努尔别克', '巴合提努尔·加纳提',
             '木拉提·哈斯木', '吐尔洪·买买提', '米热古丽·艾合买提', '阿依达娜·叶尔肯', '艾克拜尔·吾拉木']
DOTS = ['·', '•', '・', '‧']

ROAD_ROOTS = ['人民', '解放', '建设', '文化', '胜利', '幸福', '光明', '友谊', '团结', '迎宾', '金桥', '滨河', '环城',
              '东风', '青年', '育才', '学府', '工农', '红旗', '振兴', '民主', '公园', '体育', '健康', '花园', '兴业',
              '创业', '科技', '湖滨', '园林', '银杏', '桂花', '梧桐', '丰收', '前进', '劳动', '交通', '府前', '站前',
              '北环', '南环', '东环', '西环', '世纪', '金融', '商业', '书院', '龙泉', '翠柳', '海棠', '玉兰', '锦绣',
              '新民', '共和', '和谐', '福寿', '长青', '朝晖', '春晖', '星光']
ROAD_SUFFIXES = ['路', '路', '路', '街', '大道', '东路', '西路', '南路', '北路', '中路', '大街']
LANES = ['杨柳巷', '桂花巷', '石板巷', '青石巷', '槐树巷', '小井巷', '竹林巷', '打铜巷']
ESTATES = ['阳光花园', '金色家园', '碧水苑', '锦绣华庭', '翠湖小区', '幸福里小区', '和谐家园', '丽景苑', '紫荆花园',
           '桂花苑', '书香名邸', '香樟园', '御景湾', '世纪花城', '龙湖春天', '绿城桂园', '怡景小区', '康乐小区',
           '教师新村', '电力小区', '人民医院宿舍', '银河湾', '枫林绿洲', '新世纪家园']
BUILDINGS = ['科技大厦', '国际商务中心', '财富广场', '创业大厦', '金融中心', '电子商务产业园', '物流园']
TOWNS = ['城关镇', '新集镇', '柳河镇', '石桥镇', '马家镇', '太平镇', '白沙镇', '青山镇', '高桥镇', '三河镇', '杨庄镇',
         '李集镇', '双河镇', '新店镇', '大桥镇', '古城镇', '花园镇', '黄土岭镇', '沙河镇', '河口镇', '十里铺镇']
VILLAGES = ['李家村', '王庄村', '大柳树村', '东沟村', '石桥村', '前进村', '河湾村', '杨树村', '新庄村', '刘家湾村']
STREETS = ['城东街道', '城西街道', '新华街道', '东湖街道', '北门街道', '南关街道', '西山街道', '光华街道', '中心街道',
           '幸福街道', '花园街道', '文化街道', '东街街道', '南苑街道', '北苑街道', '站前街道', '育才街道', '胜利街道',
           '体育街道', '府前街道', '前进街道', '红旗街道']
ZIHAO = ['华信', '恒达', '鑫源', '博远', '瑞丰', '宏图', '联创', '盛世', '德润', '金诚', '远航', '汇通', '天成',
         '卓越', '万邦']
INDUSTRIES = ['科技', '贸易', '电子', '机械', '建材', '食品', '物流', '服装', '文化传媒', '医疗器械', '印务', '家居']
REMARKS = ['下午送', '工作日送货', '周末送', '请放门卫', '放快递柜', '送货前请电话联系', '易碎品轻放', '不要放驿站',
           '尽快发货谢谢', '晚上七点以后在家', '到了打电话', '放前台就行', '中午不在家', '送到楼下给我打电话']
MOBILE_PREFIXES = ['130', '131', '132', '133', '135', '136', '137', '138', '139', '147', '150', '151', '152', '153',
                   '155', '156', '157', '158', '159', '166', '173', '175', '176', '177', '178', '180', '181', '182',
                   '183', '185', '186', '187', '188', '189', '191', '193', '195', '198', '199']
PRIVACY_PREFIXES = ['170', '171', '165', '167', '162']
# Area codes and local number lengths of some prefecture-level cities.
AREA_CODES = {'北京市': ('010', 8), '上海市': ('021', 8), '天津市': ('022', 8), '重庆市': ('023', 8),
              '沈阳市': ('024', 8), '南京市': ('025', 8), '武汉市': ('027', 8), '成都市': ('028', 8),
              '西安市': ('029', 8), '广州市': ('020', 8), '杭州市': ('0571', 8), '宁波市': ('0574', 8),
              '温州市': ('0577', 8), '深圳市': ('0755', 8), '东莞市': ('0769', 8), '佛山市': ('0757', 8),
              '苏州市': ('0512', 8), '无锡市': ('0510', 8), '济南市': ('0531', 8), '青岛市': ('0532', 8),
              '郑州市': ('0371', 8), '长沙市': ('0731', 8), '福州市': ('0591', 8), '厦门市': ('0592', 7),
              '合肥市': ('0551', 8), '南昌市': ('0791', 8), '昆明市': ('0871', 8), '贵阳市': ('0851', 8),
              '南宁市': ('0771', 7), '海口市': ('0898', 8), '兰州市': ('0931', 7), '西宁市': ('0971', 7),
              '银川市': ('0951', 7), '乌鲁木齐市': ('0991', 7), '拉萨市': ('0891', 7), '呼和浩特市': ('0471', 7),
              '太原市': ('0351', 7), '石家庄市': ('0311', 8), '哈尔滨市': ('0451', 8), '长春市': ('0431', 8),
              '大连市': ('0411', 8), '汕头市': ('0754', 8), '中山市': ('0760', 8)}
POSTCODE_PREFIXES = {'北京市': '10', '天津市': '30', '河北省': '06', '山西省': '03', '内蒙古自治区': '01',
                     '辽宁省': '11', '吉林省': '13', '黑龙江省': '15', '上海市': '20', '江苏省': '21', '浙江省': '31',
                     '安徽省': '23', '福建省': '35', '江西省': '33', '山东省': '25', '河南省': '45', '湖北省': '43',
                     '湖南省': '41', '广东省': '51', '广西壮族自治区': '53', '海南省': '57', '重庆市': '40',
                     '四川省': '61', '贵州省': '55', '云南省': '65', '西藏自治区': '85', '陕西省': '71',
                     '甘肃省': '73', '青海省': '81', '宁夏回族自治区': '75', '新疆维吾尔自治区': '83'}
SHORT_PROVINCES = {'内蒙古自治区': '内蒙古', '广西壮族自治区': '广西', '西藏自治区': '西藏', '宁夏回族自治区': '宁夏',
                   '新疆维吾尔自治区': '新疆'}
HAINAN_COUNTIES = ['陵水黎族自治县', '琼中黎族苗族自治县', '白沙黎族自治县', '昌江黎族自治县', '乐东黎族自治县',
                   '保亭黎族苗族自治县']
# Places renamed or merged since 2010: the old region as written, today's destination.
RENAMED = [('山东省莱芜市莱城区', '济南市'), ('山东省莱芜市钢城区', '济南市'), ('莱芜市莱城区', '济南市'),
           ('湖北省襄樊市樊城区', '襄阳市'), ('湖北省襄樊市襄城区', '襄阳市'), ('襄樊市襄阳区', '襄阳市'),
           ('安徽省巢湖市居巢区', '合肥市'), ('安徽省巢湖市庐江县', '合肥市'), ('巢湖市居巢区', '合肥市'),
           ('西藏自治区日喀则地区江孜县', '日喀则市'), ('西藏日喀则地区萨迦县', '日喀则市'),
           ('西藏自治区昌都地区芒康县', '昌都市'), ('西藏自治区林芝地区波密县', '林芝市'),
           ('西藏自治区山南地区乃东县', '山南市'), ('西藏自治区那曲地区那曲县', '那曲市'),
           ('贵州省铜仁地区江口县', '铜仁市'), ('贵州省铜仁地区思南县', '铜仁市'), ('贵州省毕节地区大方县', '毕节市'),
           ('浙江省富阳市', '杭州市'), ('浙江省临安市', '杭州市'), ('富阳市', '杭州市'),
           ('天津市蓟县', '天津市'), ('天津市静海县', '天津市'), ('天津市宁河县', '天津市'), ('蓟县', '天津市'),
           ('北京市密云县', '北京市'), ('北京市延庆县', '北京市'), ('上海市崇明县', '上海市'),
           ('重庆市开县', '重庆市'), ('重庆市璧山县', '重庆市'), ('重庆市铜梁县', '重庆市'),
           ('青海省海东地区乐都县', '海东市'), ('新疆维吾尔自治区吐鲁番地区鄯善县', '吐鲁番市'),
           ('新疆哈密地区伊吾县', '哈密市'), ('广东省增城市', '广州市'), ('广东省从化市', '广州市'),
           ('江苏省吴江市', '苏州市'), ('江苏省江都市', '扬州市'), ('江苏省姜堰市', '泰州市'),
           ('江苏省金坛市', '常州市'), ('江苏省大丰市', '盐城市'), ('江苏省南京市溧水县', '南京市'),
           ('山东省文登市', '威海市'), ('山东省即墨市', '青岛市'), ('山东省章丘市', '济南市'),
           ('山东省胶南市', '青岛市'), ('四川省双流县', '成都市'), ('四川省成都市郫县', '成都市'),
           ('四川省雅安市名山县', '雅安市'), ('福建省长乐市', '福州市'), ('福建省建阳市', '南平市'),
           ('江西省南康市', '赣州市'), ('河北省滦县', '唐山市'), ('河北省平泉县', '承德市')]

FULLWIDTH = str.maketrans('0123456789', '０１２３４５６７８９')


class Maker:
    def __init__(self, table, rng):
        self.t = table
        self.r = rng
        self.cycle = []
        self.roads = [r + s for r in ROAD_ROOTS for s in ROAD_SUFFIXES if not table.names_a_place(r + s)]
        self.lanes = [x for x in LANES if not table.names_a_place(x)]
        self.estates = [x for x in ESTATES if not table.names_a_place(x)]
        self.towns = [x for x in TOWNS if not table.names_a_place(x)]
        self.villages = [x for x in VILLAGES if not table.names_a_place(x)]
        self.streets = [x for x in STREETS if not table.names_a_place(x)]
        self.buildings = [x for x in BUILDINGS if not table.names_a_place(x)]
        self.used_mobiles = set()

    # -- places ---------------------------------------------------------------------------------------
    def place(self):
        """The next place, taking the prefecture-level rows in turn so all of them come up."""
        if not self.cycle:
            self.cycle = list(self.t.by_row)
            self.r.shuffle(self.cycle)
        return self.r.choice(self.cycle.pop())

    def region(self, place, blank=False, with_province=True):
        return (' ' if blank else '').join(place.parts(with_province=with_province))

    # -- details --------------------------------------------------------------------------------------
    def room(self):
        return '%d%02d' % (self.r.randint(1, 28), self.r.randint(1, 4))

    def detail(self, blanks=False, place=None, urban=False):
        """(as written, expected) for a street address; villages only for counties, no 街道 in towns."""
        r = self.r
        rural = not urban and (place is None or not (place.county.endswith('区') or place.shape == 'town'))
        in_street = place is None or place.shape != 'town'
        road = r.choice(self.roads)
        n = r.randint(1, 688)
        b, u = r.randint(1, 32), r.randint(1, 6)
        shapes = [
            lambda: [f'{road}{n}号'],
            lambda: [f'{road}{n}号', f'{r.choice(self.estates)}{b}栋', f'{u}单元{self.room()}室'],
            lambda: [f'{road}{n}号', f'{r.choice(self.estates)}{b}号楼', f'{u}单元{self.room()}'],
            lambda: [f'{road}{n}号院', f'{b}号楼{self.room()}室'],
            lambda: [f'{r.choice(self.estates)}', f'{b}栋{self.room()}室'],
            lambda: [f'{road}{n}弄{b}号{self.room()}室'],
            lambda: [f'{road}{n}号', f'{r.choice(self.buildings)}{r.randint(2, 30)}楼'],
            lambda: [f'{r.choice(self.lanes)}{r.randint(1, 88)}号'],
            lambda: [f'{road}{n}号', f'{r.choice(self.estates)}{b}-{u}-{self.room()}'],
        ]
        if rural:
            shapes.append(lambda: [r.choice(self.towns), r.choice(self.villages),
                                   f'{r.randint(1, 12)}组{r.randint(1, 99)}号'])
        if in_street:
            shapes.append(lambda: [r.choice(self.streets), f'{road}{n}号'])
        parts = r.choice(shapes)()
        return (' ' if blanks else '').join(parts), ''.join(parts)

    def address(self, place=None, blanks=False, with_province=True):
        """(as written, expected) for a full address of the place."""
        place = place or self.place()
        shown, plain = self.detail(blanks=blanks and self.r.random() < 0.5, place=place)
        region = self.region(place, blank=blanks, with_province=with_province)
        return region + (' ' if blanks else '') + shown, region.replace(' ', '') + plain

    # -- people ---------------------------------------------------------------------------------------
    def clean_name(self, make):
        while True:
            name = make()
            if not self.t.names_a_place(name):
                return name

    def name(self, length=None):
        r = self.r
        length = length or r.choice([2, 3, 3, 3, 2, 3])
        if length == 2:
            return self.clean_name(lambda: r.choice(SURNAMES) + r.choice(GIVEN1))
        if length == 3:
            return self.clean_name(lambda: r.choice(SURNAMES) + r.choice(GIVEN2))
        return self.clean_name(lambda: r.choice(COMPOUND_SURNAMES) + r.choice(GIVEN2))

    def mobile(self, prefixes=MOBILE_PREFIXES):
        while True:
            m = self.r.choice(prefixes) + '%08d' % self.r.randint(0, 99999999)
            if m not in self.used_mobiles:
                self.used_mobiles.add(m)
                return m

    def mobile_shown(self, m):
        form = self.r.choice(['plain'] * 6 + ['blanks', 'dashes'])
        if form == 'blanks':
            return f'{m[:3]} {m[3:7]} {m[7:]}'
        if form == 'dashes':
            return f'{m[:3]}-{m[3:7]}-{m[7:]}'
        return m

    def postcode(self, place):
        return POSTCODE_PREFIXES[place.province] + '%02d%d%d' % (self.r.randint(0, 99), self.r.randint(0, 2),
                                                                 self.r.randint(0, 9))

    def company(self, place):
        short = stem(place.destination) if self.r.random() < 0.6 else ''
        return f'{short}{self.r.choice(ZIHAO)}{self.r.choice(INDUSTRIES)}有限公司'

    def order_number(self):
        return '%d%02d%02d%010d' % (self.r.choice([2022, 2023, 2024]), self.r.randint(1, 12), self.r.randint(1, 28),
                                    self.r.randint(0, 9999999999))

    def label(self, labels):
        return self.r.choice(labels) + self.r.choice(['：', ':', '：', ': '])


def case(kind, text, name='', mobile='', phone='', postcode='', address='', destination='', company='',
         remarks=''):
    return OrderedDict(kind=kind, text=text, name=name, mobile=mobile, phone=phone, postcode=postcode,
                       address=address, destination=destination, company=company, remarks=remarks)


# -- case makers: each returns one case ------------------------------------------------------------------

def labelled_lines(m):
    """A shop back-end's lines: name, mobile, full address."""
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    lines = [m.label(NAME_LABELS) + name, m.label(MOBILE_LABELS) + m.mobile_shown(mob), m.label(ADDRESS_LABELS) + shown]
    return case('labelled-lines', '\n'.join(lines), name, mob, address=addr, destination=place.destination)


def labels_order(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    fields = [('n', name), ('m', mob), ('a', shown)]
    m.r.shuffle(fields)
    labels = {'n': NAME_LABELS, 'm': MOBILE_LABELS, 'a': ADDRESS_LABELS}
    sep = m.r.choice(['\n', '，', ' ', '；'])
    text = sep.join(m.label(labels[k]) + v for k, v in fields)
    return case('labels-order', text, name, mob, address=addr, destination=place.destination)


SEP_CYCLE = []


def labels_sep(m):
    """Labelled fields in one text, cycling through every field and label separator."""
    if not SEP_CYCLE:
        SEP_CYCLE.extend((s, ls) for s in SEPARATORS for ls in LABEL_SEPARATORS
                         if not (s == ' ' and ls == ''))
        m.r.shuffle(SEP_CYCLE)
    sep, lsep = SEP_CYCLE.pop()
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    fields = [(m.r.choice(NAME_LABELS), name), (m.r.choice(MOBILE_LABELS), mob), (m.r.choice(ADDRESS_LABELS), shown)]
    if m.r.random() < 0.3:
        fields.reverse()
    text = sep.join(lab + lsep + v for lab, v in fields)
    return case('labels-sep', text, name, mob, address=addr, destination=place.destination)


def region_label(m):
    """The region on its own label, the detail on another, as shop back-ends copy them."""
    place = m.place()
    name, mob = m.name(), m.mobile()
    blank = m.r.random() < 0.7
    region = m.region(place, blank=blank)
    shown, plain = m.detail(place=place)
    lines = [m.label(['收货人', '收件人', '姓名']) + name, m.label(['手机号码', '手机', '联系电话']) + mob,
             m.label(REGION_LABELS) + region, m.label(['详细地址', '街道地址', '地址']) + shown]
    if m.r.random() < 0.3:
        lines = lines[2:] + lines[:2]
    return case('region-label', '\n'.join(lines), name, mob, address=region.replace(' ', '') + plain,
                destination=place.destination)


def chat(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    templates = ['亲，麻烦寄到{a}，{n}，{m}，谢谢',
                 '老板 我的地址是{a} {n} {m}',
                 '寄给 {n} {m} {a}',
                 '你好，帮我发到{a}\n收件人{n}\n电话{m}',
                 '在吗？地址：{a}，{n}，{m}',
                 '{n}，{m}，{a}，麻烦尽快发货',
                 '亲 发这个地址哦：{a} {n} {m}',
                 '地址发你了：\n{a}\n{n} {m}',
                 '老板，发货到这里：{a}，收件人：{n}，手机：{m}，谢谢老板',
                 '麻烦寄到 {a}\n{n}\n{m}\n谢谢亲']
    text = m.r.choice(templates).format(a=shown, n=name, m=mob)
    return case('chat', text, name, mob, address=addr, destination=place.destination)


def one_line(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    sep = m.r.choice([' ', '，', ',', ' ', '  '])
    text = sep.join([name, m.mobile_shown(mob), shown])
    return case('one-line', text, name, mob, address=addr, destination=place.destination)


def address_first(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    sep = m.r.choice([' ', '，', ',', '\n', '；'])
    order = m.r.choice([[shown, name, mob], [shown, mob, name]])
    return case('address-first', sep.join(order), name, mob, address=addr, destination=place.destination)


def unknown_label(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    lab = m.r.choice(UNKNOWN_LABELS) + m.r.choice(['：', ':'])
    lines = [m.label(NAME_LABELS) + name, m.label(MOBILE_LABELS) + mob, lab + shown]
    if m.r.random() < 0.5:
        lines = [lines[2], lines[0], lines[1]]
    return case('unknown-label', m.r.choice(['\n', '，', ' ']).join(lines), name, mob, address=addr,
                destination=place.destination)


def company_line(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob, comp = m.name(), m.mobile(), m.company(place)
    lines = [m.label(NAME_LABELS) + name, m.label(MOBILE_LABELS) + mob, m.label(ADDRESS_LABELS) + shown]
    lines.insert(m.r.randint(0, 3), m.label(COMPANY_LABELS) + comp)
    return case('company-line', '\n'.join(lines), name, mob, address=addr, destination=place.destination,
                company=comp)


def plus86(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    forms = ['+86 {m}', '+86-{m}', '(+86){m}', '（+86）{m}', '+86{m}', '0086 {m}', '0086-{m}', '+86 {a} {b} {c}']
    written = m.r.choice(forms).format(m=mob, a=mob[:3], b=mob[3:7], c=mob[7:])
    if m.r.random() < 0.6:
        text = '\n'.join([m.label(NAME_LABELS) + name, m.label(['手机号码', '手机', '电话']) + written,
                          m.label(ADDRESS_LABELS) + shown])
    else:
        text = f'{name} {written} {shown}'
    return case('plus86', text, name, mob, address=addr, destination=place.destination)


def order_number(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    order = m.order_number()
    lines = [m.label(['收货人', '收件人']) + name, m.label(['手机号码', '联系电话']) + mob,
             m.label(['收货地址', '地址']) + shown]
    lab = m.r.choice(['订单号', '订单编号', '订单号码', '主订单编号']) + m.r.choice(['：', ':'])
    if m.r.random() < 0.5:
        lines.insert(0, lab + order)
    else:
        lines.append(lab + order)
    return case('order-number', '\n'.join(lines), name, mob, address=addr, destination=place.destination)


def second_mobile(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob, other = m.name(), m.mobile(), m.mobile()
    lines = [m.label(NAME_LABELS) + name, m.label(['手机', '手机号码', '手机号']) + mob,
             m.label(SECOND_MOBILE_LABELS) + m.mobile_shown(other), m.label(ADDRESS_LABELS) + shown]
    if m.r.random() < 0.4:
        lines = [lines[0], lines[1], lines[3], lines[2]]
    return case('second-mobile', m.r.choice(['\n', '，', ' ']).join(lines), name, mob, phone=other, address=addr,
                destination=place.destination)


def privacy_ext(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile(PRIVACY_PREFIXES + MOBILE_PREFIXES[:5])
    ext = '%04d' % m.r.randint(1, 9999)
    written = m.r.choice(['{m}转{e}', '{m} 转 {e}', '{m}-{e}', '{m}#{e}', '{m}＃{e}', '{m}分机{e}', '{m} 分机{e}']).format(m=mob, e=ext)
    if m.r.random() < 0.6:
        text = '\n'.join([m.label(['收货人', '收件人']) + name, m.label(['手机号码', '手机', '联系电话']) + written,
                          m.label(['收货地址', '详细地址']) + shown])
    else:
        text = f'{name}，{written}，{shown}'
    return case('privacy-ext', text, name, f'{mob}转{ext}', address=addr, destination=place.destination)


def privacy_bracket(m):
    """The shop form: the privacy number's extension in brackets after the name or the address."""
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile(PRIVACY_PREFIXES)
    ext = '%04d' % m.r.randint(1, 9999)
    br = m.r.choice(['[{}]', '[{}]', '【{}】'])
    if m.r.random() < 0.5:
        shown_name = name + br.format(ext)
    else:
        shown_name, shown = name, shown + br.format(ext)
    if m.r.random() < 0.6:
        text = '\n'.join(['收货人：' + shown_name, '手机号码：' + mob, '收货地址：' + shown])
    else:
        text = f'{shown_name}，{mob}，{shown}'
    return case('privacy-bracket', text, name, f'{mob}转{ext}', address=addr, destination=place.destination)


def middle_dot_name(m):
    xinjiang = [p for p in m.t.places if p.province == '新疆维吾尔自治区']
    place = m.r.choice(xinjiang) if m.r.random() < 0.6 else m.place()
    shown, addr = m.address(place)
    name, mob = m.r.choice(DOT_NAMES), m.mobile()
    written = name.replace('·', m.r.choice(DOTS))
    if m.r.random() < 0.5:
        text = '\n'.join([m.label(NAME_LABELS) + written, m.label(MOBILE_LABELS) + mob,
                          m.label(ADDRESS_LABELS) + shown])
    else:
        text = f'{written} {mob} {shown}'
    return case('middle-dot-name', text, name, mob, address=addr, destination=place.destination)


def name_length(length):
    def make(m):
        place = m.place()
        shown, addr = m.address(place)
        name, mob = m.name(length), m.mobile()
        form = m.r.choice(['{n}{m}{a}', '{n} {m} {a}', '{a} {n} {m}', '{n}，{m}，{a}', '收件人：{n}\n手机：{m}\n地址：{a}'])
        text = form.format(n=name, m=mob, a=shown)
        return case(f'name-{length}char', text, name, mob, address=addr, destination=place.destination)
    return make


def compound_surname(m):
    place = m.place()
    shown, addr = m.address(place)
    mob = m.mobile()
    name = m.clean_name(lambda: m.r.choice(COMPOUND_SURNAMES) + m.r.choice(GIVEN1 + GIVEN2))
    form = m.r.choice(['{n} {m} {a}', '{n}，{m}，{a}', '收件人：{n}\n电话：{m}\n地址：{a}', '{a}\n{n}\n{m}'])
    return case('compound-surname', form.format(n=name, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def latin_name(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.r.choice(LATIN_NAMES), m.mobile()
    form = m.r.choice(['收件人：{n}\n手机：{m}\n地址：{a}', '{n} {m} {a}', 'Name: {n}\n电话：{m}\n地址：{a}',
                       '{a}，{n}，{m}'])
    return case('latin-name', form.format(n=name, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def title_name(m):
    place = m.place()
    shown, addr = m.address(place)
    name = m.clean_name(lambda: m.r.choice(SURNAMES) + m.r.choice(['先生', '女士']))
    mob = m.mobile()
    form = m.r.choice(['{n} {m} {a}', '{a} {n} {m}', '收件人：{n}\n电话：{m}\n地址：{a}', '{n}，{m}，{a}'])
    return case('title-name', form.format(n=name, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def name_shou(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    written = name + m.r.choice(['收', ' 收', '（收）', '(收)', ' (收)'])
    form = m.r.choice(['{n} {m} {a}', '{a} {n} {m}', '{a}\n{n}\n{m}', '{n}，{m}，{a}'])
    return case('name-shou', form.format(n=written, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def name_blank(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(m.r.choice([2, 3])), m.mobile()
    written = name[0] + ' ' + name[1:]
    form = m.r.choice(['收件人：{n}\n手机：{m}\n地址：{a}', '姓名: {n}，电话: {m}，地址: {a}'])
    return case('name-blank', form.format(n=written, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def late_name_label(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{a}\n{m}\n收件人：{n}', '地址：{a}，电话：{m}，收件人：{n}', '{a} {m} 收件人:{n}',
                       '收货地址：{a}\n手机号码：{m}\n收货人：{n}', '{a}\n联系人：{n}'])
    text = form.format(a=shown, m=mob, n=name)
    return case('late-name-label', text, name, mob if '{m}' in form else '', address=addr,
                destination=place.destination)


def masked_mobile(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    masked = mob[:3] + '****' + mob[7:]
    form = m.r.choice(['收货人：{n}\n手机号码：{m}\n收货地址：{a}', '{n} {m} {a}', '{n}，{m}，{a}'])
    return case('masked-mobile', form.format(n=name, m=masked, a=shown), name, masked, address=addr,
                destination=place.destination)


def county_city(m):
    """A county-level city or county without its prefecture."""
    place = m.r.choice(m.t.lone_counties)
    with_province = m.r.random() < 0.5
    region = (place.province if with_province else '') + place.county
    detail_shown, detail = m.detail(place=place)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n电话：{m}\n地址：{a}', '{a}，{n}，{m}'])
    return case('county-city', form.format(n=name, m=mob, a=region + detail_shown), name, mob,
                address=region + detail, destination=place.destination)


def direct_county(m):
    """A county-level division governed by the province directly."""
    place = m.r.choice([p for p in m.t.places if p.shape == 'direct'])
    word = '自治区直辖县级行政区划' if place.province.endswith('自治区') else '省直辖县级行政区划'
    shape = m.r.choice(['province', 'alone', 'written-out', 'written-out-label'])
    name, mob = m.name(), m.mobile()
    shown, detail = m.detail(place=place)
    if shape == 'written-out-label':
        region = f'{place.province} {word} {place.county}'
        text = '\n'.join([f'收货人：{name}', f'手机号码：{mob}', f'所在地区：{region}', f'详细地址：{shown}'])
        return case('direct-county', text, name, mob, address=region.replace(' ', '') + detail,
                    destination=place.destination)
    region = {'province': place.province + place.county, 'alone': place.county,
              'written-out': place.province + word + place.county}[shape]
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n电话：{m}\n地址：{a}', '{a}，{n}，{m}'])
    return case('direct-county', form.format(n=name, m=mob, a=region + shown), name, mob, address=region + detail,
                destination=place.destination)


def hainan_county(m):
    county = m.r.choice(HAINAN_COUNTIES)
    region = ('海南省' if m.r.random() < 0.5 else '') + county
    shown, detail = m.detail()
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n手机：{m}\n地址：{a}', '{a} {n} {m}'])
    return case('hainan-county', form.format(n=name, m=mob, a=region + shown), name, mob, address=region + detail,
                destination=county)


def renamed(m):
    region, dest = m.r.choice(RENAMED)
    shown, detail = m.detail()
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n手机：{m}\n地址：{a}', '{a}，{n}，{m}'])
    return case('renamed', form.format(n=name, m=mob, a=region + shown), name, mob, address=region + detail,
                destination=dest)


def remarks_after(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    remark = m.r.choice(REMARKS)
    lab = m.r.choice(REMARK_LABELS) + m.r.choice(['：', ':'])
    form = m.r.choice(['{n} {m} {a} {r}', '收件人：{n}\n手机：{m}\n地址：{a}\n{r}', '{n}，{m}，{a}，{r}',
                       '{a}\n{n} {m}\n{r}'])
    text = form.format(n=name, m=mob, a=shown, r=lab + remark)
    return case('remarks-after', text, name, mob, address=addr, destination=place.destination, remarks=remark)


def landline(m):
    """A landline written with blanks, brackets or dashes, sometimes with an extension."""
    city = m.r.choice(sorted(AREA_CODES))
    place = m.r.choice([p for p in m.t.places if p.destination == city])
    shown, addr = m.address(place)
    code, length = AREA_CODES[city]
    number = str(m.r.randint(2, 8)) + ''.join(str(m.r.randint(0, 9)) for _ in range(length - 1))
    half = length // 2
    written = m.r.choice(['{c} {a} {b}', '({c}){n}', '（{c}）{n}', '{c}-{a}-{b}', '{c} {n}', '{c}-{n}']).format(
        c=code, n=number, a=number[:half], b=number[half:])
    phone = f'{code}-{number}'
    if m.r.random() < 0.3:
        ext = str(m.r.randint(100, 8999))
        written += m.r.choice(['-', '转']) + ext
        phone += '-' + ext
    name = m.name()
    mob = m.mobile() if m.r.random() < 0.5 else ''
    lines = [m.label(NAME_LABELS) + name, m.label(LANDLINE_LABELS) + written, m.label(ADDRESS_LABELS) + shown]
    if mob:
        lines.insert(1, m.label(['手机', '手机号码']) + mob)
    return case('landline', m.r.choice(['\n', '，', '  ']).join(lines), name, mob, phone=phone, address=addr,
                destination=place.destination)


def region_blanks(m):
    place = m.place()
    shown, addr = m.address(place, blanks=True)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n电话：{m}\n地址：{a}', '{n}，{m}，{a}', '{a}\n{n}\n{m}'])
    return case('region-blanks', form.format(n=name, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def fullwidth_digits(m):
    place = m.place()
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    written = mob.translate(FULLWIDTH)
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n手机：{m}\n地址：{a}', '{n}，{m}，{a}'])
    return case('fullwidth-digits', form.format(n=name, m=written, a=shown), name, mob, address=addr,
                destination=place.destination)


def no_province(m):
    place = m.place()
    while place.shape not in ('normal', 'town'):
        place = m.place()
    shown, addr = m.address(place, with_province=False)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n电话：{m}\n地址：{a}', '{a}，{n}，{m}'])
    return case('no-province', form.format(n=name, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def district_only(m):
    place = m.r.choice(m.t.lone_districts)
    shown, detail = m.detail(place=place)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n电话：{m}\n地址：{a}', '{a}，{n}，{m}'])
    return case('district-only', form.format(n=name, m=mob, a=place.county + shown), name, mob,
                address=place.county + detail, destination=place.destination)


def shared_district(m):
    """Only a district name several cities have: no destination."""
    district = m.r.choice(m.t.shared_districts)
    shown, detail = m.detail(urban=True)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n电话：{m}\n地址：{a}'])
    return case('shared-district', form.format(n=name, m=mob, a=district + shown), name, mob,
                address=district + detail, destination='')


def postcode(shape):
    def make(m):
        place = m.place()
        shown, addr = m.address(place)
        name, mob = m.name(), m.mobile()
        code = m.postcode(place)
        if shape == 'label':
            lines = [m.label(NAME_LABELS) + name, m.label(MOBILE_LABELS) + mob, m.label(ADDRESS_LABELS) + shown,
                     m.label(POSTCODE_LABELS) + code]
            if m.r.random() < 0.4:
                lines[2], lines[3] = lines[3], lines[2]
            text = m.r.choice(['\n', '，', ' ']).join(lines)
        elif shape == 'lone':
            text = m.r.choice(['{n}\n{m}\n{a}\n{c}', '{n} {m} {a} {c}', '{a}，{c}，{n}，{m}']).format(
                n=name, m=mob, a=shown, c=code)
        else:
            paren = m.r.choice(['({})', '（{}）']).format(code)
            text = m.r.choice(['{n} {m} {a}{p}', '收件人：{n}\n手机：{m}\n地址：{a}{p}']).format(
                n=name, m=mob, a=shown, p=paren)
        return case(f'postcode-{shape}', text, name, mob, postcode=code, address=addr,
                    destination=place.destination)
    return make


def municipality(m):
    place = m.r.choice([p for p in m.t.places if p.shape == 'municipality'])
    shown, addr = m.address(place)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n手机：{m}\n地址：{a}', '{a}，{n}，{m}'])
    return case('municipality', form.format(n=name, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def town_city(m):
    """东莞, 中山, 儋州 and 嘉峪关 have towns and streets under the city itself."""
    place = m.r.choice([p for p in m.t.places if p.shape == 'town'])
    shown, addr = m.address(place, with_province=m.r.random() < 0.5)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n手机：{m}\n地址：{a}', '{a}，{n}，{m}'])
    return case('town-city', form.format(n=name, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def short_names(m):
    """Province and city written without 省/市: 浙江杭州西湖区…"""
    while True:
        place = m.place()
        if place.shape != 'normal' or not place.city.endswith('市'):
            continue
        prov = SHORT_PROVINCES.get(place.province, stem(place.province))
        city = stem(place.city)
        if len(city) >= 2 and len(m.t.stems[city]) == 1 and city not in (stem(p) for p in m.t.provinces):
            break
    shown, detail = m.detail(place=place)
    region = prov + city + place.county
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '{a} {n} {m}', '收件人：{n}\n电话：{m}\n地址：{a}'])
    return case('short-names', form.format(n=name, m=mob, a=region + shown), name, mob, address=region + detail,
                destination=place.destination)


def autonomous_prefecture(m):
    """Autonomous prefectures, 地区 and 盟 with their county-level divisions."""
    places = [p for p in m.t.places if p.shape == 'normal' and not p.city.endswith('市')]
    place = m.r.choice(places)
    shown, addr = m.address(place, with_province=m.r.random() < 0.7)
    name, mob = m.name(), m.mobile()
    form = m.r.choice(['{n} {m} {a}', '收件人：{n}\n手机：{m}\n地址：{a}', '{a}，{n}，{m}'])
    return case('prefecture-autonomous', form.format(n=name, m=mob, a=shown), name, mob, address=addr,
                destination=place.destination)


def traditional_base(m):
    """A case whose text is then written in traditional characters."""
    maker = m.r.choice([labelled_lines, region_label, one_line, landline, remarks_after, company_line])
    c = maker(m)
    c['kind'] = 'traditional'
    return c


MAKERS = [
    (labelled_lines, 20), (labels_order, 16), (labels_sep, 30), (region_label, 20), (chat, 20), (one_line, 16),
    (address_first, 14), (unknown_label, 12), (company_line, 14), (plus86, 14), (order_number, 12),
    (second_mobile, 12), (privacy_ext, 16), (privacy_bracket, 12), (middle_dot_name, 14), (name_length(2), 12),
    (name_length(3), 12), (name_length(4), 12), (compound_surname, 12), (latin_name, 12), (title_name, 12),
    (name_shou, 14), (name_blank, 12), (late_name_label, 12), (masked_mobile, 12), (county_city, 20),
    (direct_county, 20), (hainan_county, 12), (renamed, 24), (remarks_after, 14), (landline, 20),
    (region_blanks, 14), (fullwidth_digits, 12), (no_province, 16), (district_only, 14), (shared_district, 12),
    (postcode('label'), 12), (postcode('lone'), 12), (postcode('paren'), 12), (municipality, 14), (town_city, 12),
    (short_names, 12), (autonomous_prefecture, 16),
]
TRADITIONAL_COUNT = 16

# Used only when opencc is missing: the characters of the labels and common address words.
FALLBACK_S2T = dict(zip('电话址收货详细区县号栋单元楼门备话码联系广东湖北贵州兰龙辽宁吉黑苏浙闽赣鲁豫湘桂琼渝陕甘青宁疆藏'
                        '门阳车长乐华丽张陈刘杨黄赵吴周孙马朱郭罗郑梁谢韩冯邓萧叶苏吕钟卢姜崔谭陆汪夏邹熊乔赖顾龚严汤',
                        '電話址收貨詳細區縣號棟單元樓門備話碼聯係廣東湖北貴州蘭龍遼寧吉黑蘇浙閩贛魯豫湘桂瓊渝陝甘青寧疆藏'
                        '門陽車長樂華麗張陳劉楊黃趙吳周孫馬朱郭羅鄭梁謝韓馮鄧蕭葉蘇呂鍾盧薑崔譚陸汪夏鄒熊喬賴顧龔嚴湯'))


def convert(texts, config):
    """Converts each text with opencc (one text a line, newlines escaped meanwhile)."""
    if not shutil.which('opencc'):
        if config == 't2s':
            back = {v: k for k, v in FALLBACK_S2T.items()}
            return [''.join(back.get(ch, ch) for ch in t) for t in texts]
        return [''.join(FALLBACK_S2T.get(ch, ch) for ch in t) for t in texts]
    joined = '\n'.join(escape(t) for t in texts) + '\n'
    out = subprocess.run(['opencc', '-c', config], input=joined.encode('utf-8'), stdout=subprocess.PIPE,
                         check=True).stdout.decode('utf-8')
    return [unescape(line) for line in out.split('\n')[:len(texts)]]


def escape(text):
    return text.replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t')


def unescape(text):
    return re.sub(r'\\(.)', lambda mo: {'n': '\n', 't': '\t', '\\': '\\'}[mo.group(1)], text)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else OUT
    table = Table(load_table())
    rng = random.Random(SEED)
    maker = Maker(table, rng)
    cases = []
    for make, count in MAKERS:
        for _ in range(count):
            cases.append(make(maker))
    candidates = [traditional_base(maker) for _ in range(TRADITIONAL_COUNT * 2)]
    written = convert([c['text'] for c in candidates], 's2t')
    back = convert(written, 't2s')
    kept = 0
    for c, t, b in zip(candidates, written, back):
        # Keep only texts that convert back exactly, so the expected simplified fields are unambiguous.
        if kept < TRADITIONAL_COUNT and t != c['text'] and b == c['text']:
            c['text'] = t
            cases.append(c)
            kept += 1
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, 'w', encoding='utf-8', newline='\n') as f:
        f.write('\t'.join(FIELDS) + '\n')
        for c in cases:
            for key in FIELDS[2:]:
                assert not re.search(r'[\t\n\\]', c[key]), c
            f.write('\t'.join([c['kind'], escape(c['text'])] + [c[k] for k in FIELDS[2:]]) + '\n')
    counts = Counter(c['kind'] for c in cases)
    for kind, n in counts.items():
        print(f'{kind}\t{n}')
    print(f'total\t{len(cases)}\t{out}')


if __name__ == '__main__':
    main()

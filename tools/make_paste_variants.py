#!/usr/bin/env python3
"""Writes tests/data/paste/variants.tsv: the recipients of generated.tsv written
again in other shapes (labels in brackets, slashes, the address first, labels on
lines of their own, chat round the fields), so that the recognition is tried on
the same people in forms the first generator never wrote. Standard library only,
fixed seed: the output is the same on every run."""
import os
import random

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = os.path.join(ROOT, 'tests', 'data', 'paste', 'generated.tsv')
TARGET = os.path.join(ROOT, 'tests', 'data', 'paste', 'variants.tsv')

TEMPLATES = [
    ('lines', '{name}\n{mobile}\n{address}'),
    ('labels-commas', '收件人: {name}, 手机号码: {mobile}, 详细地址: {address}'),
    ('address-name-mobile', '{address} {name} {mobile}'),
    ('bracket-labels', '【收货人】{name}【电话】{mobile}【地址】{address}'),
    ('semicolons', '姓名：{name}；电话：{mobile}；地址：{address}'),
    ('slashes', '{name}/{mobile}/{address}'),
    ('contact-lines', '联系人：{name}\n联系方式：{mobile}\n收货地址：{address}'),
    ('address-label-first', '寄到：{address}\n收件人：{name}\n电话：{mobile}'),
    ('chat-shou', '亲，地址：{address}，{name}收，电话{mobile}，谢谢！'),
    ('mobile-first', '{mobile} {name}\n{address}'),
    ('labels-alone', '收件人\n{name}\n手机号码\n{mobile}\n收货地址\n{address}'),
    ('plus86-dashes', '{name} +86-{m1}-{m2}-{m3} {address}'),
    ('info-label', '收件信息：{name}，{mobile}，{address}'),
]


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == '\\' and i + 1 < len(text):
            out.append({'n': '\n', 't': '\t'}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return ''.join(out)


def escape(text):
    return text.replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t')


def main():
    rnd = random.Random(20261210)
    rows = []
    with open(SOURCE, encoding='utf-8') as f:
        next(f)
        for line in f:
            kind, text, name, mobile, phone, postcode, address, destination, company, remarks = \
                line.rstrip('\n').split('\t')
            # Plain recipients only: the kinds of their own (extensions, masks,
            # traditional texts) are tried where they were made.
            if kind == 'traditional' or not name or len(mobile) != 11 or not mobile.isdigit() or not address:
                continue
            rows.append((kind, name, mobile, phone, postcode, address, destination, company, remarks))
    out = ['kind\ttext\tname\tmobile\tphone\tpostcode\taddress\tdestination\tcompany\tremarks']
    for kind, name, mobile, phone, postcode, address, destination, company, remarks in rows:
        shape, template = rnd.choice(TEMPLATES)
        text = template.format(name=name, mobile=mobile, address=address,
                               m1=mobile[:3], m2=mobile[3:7], m3=mobile[7:])
        if phone:
            text += rnd.choice(['\n固话：{}', ' 座机 {}', '，备用电话：{}']).format(phone)
        if postcode:
            text += rnd.choice(['\n邮编：{}', ' 邮政编码 {}']).format(postcode)
        if company:
            text = '单位名称：{}\n'.format(company) + text
        if remarks:
            text += '\n备注：{}'.format(remarks)
        out.append('\t'.join([shape + '/' + kind, escape(text), name, mobile, phone, postcode, address,
                              destination, company, remarks]))
    with open(TARGET, 'w', encoding='utf-8') as f:
        f.write('\n'.join(out) + '\n')
    print('wrote', TARGET, len(out) - 1, 'cases')


main()

#!/usr/bin/env python3
"""Writes seed inputs for the fuzz targets, cut from the shared sample files.

usage: seed-corpus.py TESTDATA_DIR CORPUS_DIR
Makes CORPUS_DIR/{jet_header,table_definition,property_block,schema_json,json_text}.
"""
import json, os, struct, sys

testdata, corpus = sys.argv[1], sys.argv[2]
dirs = {name: os.path.join(corpus, name) for name in
        ("jet_header", "table_definition", "property_block", "schema_json", "json_text")}
for d in dirs.values():
    os.makedirs(d, exist_ok=True)

def put(kind, name, data):
    with open(os.path.join(dirs[kind], name), "wb") as f:
        f.write(data)

for file in sorted(os.listdir(testdata)):
    path = os.path.join(testdata, file)
    if not file.endswith((".mdb", ".mdw", ".accdb")):
        continue
    data = open(path, "rb").read()
    put("jet_header", file, data[:0x100])
    jet4 = data[0x14] >= 1
    page = 4096 if jet4 else 2048
    # Table-definition pages (type 0x02, second byte 0x01): format byte + page.
    count = 0
    for n in range(1, len(data) // page):
        p = data[n * page:(n + 1) * page]
        if p[0] == 2 and p[1] == 1 and count < 6:
            put("table_definition", f"{file}-{n}", bytes([1 if jet4 else 0]) + p)
            count += 1
    # Property blocks start with their signature.
    magic = b"MR2\0" if jet4 else b"KKD\0"
    at, count = data.find(magic), 0
    while at >= 0 and count < 6:
        put("property_block", f"{file}-{at}", data[at:at + 1500])
        at, count = data.find(magic, at + 4), count + 1

put("schema_json", "small", json.dumps({
    "format": "tabulo-schema", "formatVersion": 1, "name": "x.mdb", "version": "4.0",
    "tables": [{"name": "T \"q\"", "attributes": -2147483646,
                "fields": [{"name": "F", "type": 10, "size": 50, "attributes": 2, "required": True,
                            "validationText": "line\r\nZürich"}],
                "indexes": [{"name": "PrimaryKey", "primary": True, "fields": ["F"]}]}],
    "relations": [{"name": "R", "table": "T", "foreignTable": "U", "attributes": 4352,
                   "fields": [{"name": "F", "foreignName": "G"}]}]}).encode())
put("schema_json", "design", json.dumps({
    "format": "tabulo-schema", "formatVersion": 2,
    "tables": [{"name": "T", "validationRule": "[A] < [B]", "validationText": "A first.",
                "properties": [
                    {"name": "B", "type": 1, "value": True}, {"name": "Y", "type": 2, "value": 255},
                    {"name": "I", "type": 3, "value": -1}, {"name": "L", "type": 4, "value": -2147483648},
                    {"name": "C", "type": 5, "value": "-922337203685477.5808"},
                    {"name": "S", "type": 6, "value": 0.1}, {"name": "D", "type": 7, "value": "NaN"},
                    {"name": "T", "type": 8, "value": 35250.5}, {"name": "X", "type": 9, "value": "AP9/gA=="},
                    {"name": "M", "type": 12, "value": "a\r\n\"b\""},
                    {"name": "G", "type": 15, "value": "{13EB806E-3CEE-4081-87DE-61FA88B7FB28}"}],
                "fields": [{"name": "A", "properties": [{"name": "Caption", "type": 10, "value": "Ä"}]}],
                "indexes": [{"name": "K", "fields": ["A", {"name": "B", "descending": True}]}]}]}).encode())
put("json_text", "plain", b"Order Details")
put("json_text", "mixed", "quote \" back \\ tab \t Zürich 東京 😀".encode())

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWindow</name>
    <message>
        <source>上位机参数1</source>
        <translation>上位机参数</translation>
    </message>
    <message>
        <source>当前值2</source>
        <translation>当前值</translation>
    </message>
    <message>
        <source>设置值3</source>
        <translation>设置值</translation>
    </message>
    <message>
        <source>范围4</source>
        <translation>范围</translation>
    </message>
    <message>
        <source>读取5</source>
        <translation>读取</translation>
    </message>
    <message>
        <source>写入6</source>
        <translation>写入</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Save As</source>
        <translation>另存为</translation>
    </message>
    <message>
        <source>Read As</source>
        <translation>读取</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>Application</name>
    <message>
        <source>Video motion amplification for technical equipment.</source>
        <translation>Усиление движения на видео технического оборудования.</translation>
    </message>
    <message>
        <source>Enable the local MCP diagnostics interface in read-only mode.</source>
        <translation>Включить локальный диагностический интерфейс MCP в режиме только чтения.</translation>
    </message>
    <message>
        <source>Allow the local MCP diagnostics interface to change application state.</source>
        <translation>Разрешить локальному диагностическому интерфейсу MCP изменять состояние приложения.</translation>
    </message>
    <message>
        <source>Could not start MCP diagnostics: %1</source>
        <translation>Не удалось запустить диагностику MCP: %1</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Media libraries are ready.</source>
        <translation>Медиабиблиотеки готовы к работе.</translation>
    </message>
    <message>
        <source>Media libraries are unavailable.</source>
        <translation>Медиабиблиотеки недоступны.</translation>
    </message>
</context>
</TS>

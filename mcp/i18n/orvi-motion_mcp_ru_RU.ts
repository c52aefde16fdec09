<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en">
<context>
    <name>ApplicationConnection</name>
    <message>
        <source>The requested diagnostic method is not allowed.</source>
        <translation>Запрошенный диагностический метод не разрешён.</translation>
    </message>
    <message>
        <source>The diagnostic request exceeds the allowed size.</source>
        <translation>Диагностический запрос превышает допустимый размер.</translation>
    </message>
    <message>
        <source>Could not connect to ORVI Zazira instance %1: %2</source>
        <translation>Не удалось подключиться к экземпляру ORVI Zazira %1: %2</translation>
    </message>
    <message>
        <source>The ORVI Zazira diagnostic connection closed while sending a request.</source>
        <translation>Диагностическое соединение ORVI Zazira закрылось во время отправки запроса.</translation>
    </message>
    <message>
        <source>Could not send the diagnostic request: %1</source>
        <translation>Не удалось отправить диагностический запрос: %1</translation>
    </message>
    <message>
        <source>Timed out while sending the diagnostic request.</source>
        <translation>Истекло время ожидания при отправке диагностического запроса.</translation>
    </message>
    <message>
        <source>The diagnostic response exceeds the allowed size.</source>
        <translation>Диагностический ответ превышает допустимый размер.</translation>
    </message>
    <message>
        <source>The ORVI Zazira diagnostic connection closed before returning a complete response.</source>
        <translation>Диагностическое соединение ORVI Zazira закрылось до получения полного ответа.</translation>
    </message>
    <message>
        <source>Timed out while waiting for the diagnostic response.</source>
        <translation>Истекло время ожидания диагностического ответа.</translation>
    </message>
    <message>
        <source>ORVI Zazira returned invalid diagnostic JSON: %1</source>
        <translation>ORVI Zazira вернула недопустимый диагностический JSON: %1</translation>
    </message>
    <message>
        <source>ORVI Zazira returned a diagnostic response with an unexpected version or request identifier.</source>
        <translation>ORVI Zazira вернула диагностический ответ с неожиданной версией или идентификатором запроса.</translation>
    </message>
    <message>
        <source>ORVI Zazira returned an incomplete diagnostic response.</source>
        <translation>ORVI Zazira вернула неполный диагностический ответ.</translation>
    </message>
    <message>
        <source>ORVI Zazira rejected the diagnostic request.</source>
        <translation>ORVI Zazira отклонила диагностический запрос.</translation>
    </message>
    <message>
        <source>No running ORVI Zazira diagnostic instance was found.</source>
        <translation>Запущенный диагностический экземпляр ORVI Zazira не найден.</translation>
    </message>
    <message>
        <source>The ORVI Zazira diagnostic descriptor is missing or invalid: %1</source>
        <translation>Диагностический дескриптор ORVI Zazira отсутствует или недействителен: %1</translation>
    </message>
    <message>
        <source>The ORVI Zazira diagnostic descriptor is too large: %1</source>
        <translation>Диагностический дескриптор ORVI Zazira слишком велик: %1</translation>
    </message>
    <message>
        <source>Could not read the ORVI Zazira diagnostic descriptor %1: %2</source>
        <translation>Не удалось прочитать диагностический дескриптор ORVI Zazira %1: %2</translation>
    </message>
    <message>
        <source>The ORVI Zazira diagnostic descriptor contains invalid JSON: %1</source>
        <translation>Диагностический дескриптор ORVI Zazira содержит недопустимый JSON: %1</translation>
    </message>
    <message>
        <source>ORVI_MOTION_INSTANCE_ID contains unsupported characters.</source>
        <translation>ORVI_MOTION_INSTANCE_ID содержит недопустимые символы.</translation>
    </message>
    <message>
        <source>No usable ORVI Zazira diagnostic instance with identifier %1 was found.</source>
        <translation>Пригодный диагностический экземпляр ORVI Zazira с идентификатором %1 не найден.</translation>
    </message>
    <message>
        <source>Too many ORVI Zazira diagnostic descriptors were found.</source>
        <translation>Найдено слишком много диагностических дескрипторов ORVI Zazira.</translation>
    </message>
    <message>
        <source>Multiple ORVI Zazira instances were found (%1). Set ORVI_MOTION_INSTANCE_ID to select one.</source>
        <translation>Найдено несколько экземпляров ORVI Zazira (%1). Укажите ORVI_MOTION_INSTANCE_ID, чтобы выбрать один.</translation>
    </message>
    <message>
        <source>ORVI Zazira instance %1 is busy serving other diagnostic clients and refused the connection. Try again shortly.</source>
        <translation>Экземпляр ORVI Zazira %1 занят обслуживанием других диагностических клиентов и отклонил подключение. Повторите попытку чуть позже.</translation>
    </message>
</context>
<context>
    <name>LicenceNotice</name>
    <message>
        <source>Licence: %1</source>
        <translation>Лицензия: %1</translation>
    </message>
    <message>
        <source>Passing it on: this build loads %1, whose licence does not allow redistribution. Do not pass the build on together with that library.</source>
        <translation>Распространение: эта сборка загружает %1, лицензия которой запрещает распространение. Не передавайте сборку вместе с этой библиотекой.</translation>
    </message>
    <message>
        <source>Passing it on: the GNU GPL version 3 is the one licence under which the program's own licence and those of the libraries above all hold together, so this build may be passed on under it: with the complete corresponding source code of the program (or a written offer of it), with these notices, and without further restrictions on the recipients. Whoever ships the libraries too must offer their source code in the same way; Debian does so for the packages it distributes.</source>
        <translation>Распространение: GNU GPL версии 3 — единственная лицензия, при которой лицензия самой программы и лицензии перечисленных библиотек действуют совместно, поэтому эту сборку можно передавать на её условиях: вместе с полным соответствующим исходным кодом программы (или письменным предложением предоставить его), с этими уведомлениями и без дополнительных ограничений для получателей. Тот, кто передаёт и сами библиотеки, должен так же предложить их исходный код; Debian делает это для распространяемых им пакетов.</translation>
    </message>
    <message>
        <source>Copyright © %1 ORVI</source>
        <translation>Авторское право © %1 ORVI</translation>
    </message>
    <message>
        <source>This program is free software: you may pass it on and change it under the terms of the GNU General Public License, version 3 or (at your option) any later version. It comes with no warranty, to the extent permitted by law. The licence is in /usr/share/common-licenses/GPL-3 on Debian systems and at https://www.gnu.org/licenses/gpl-3.0.html.</source>
        <translation>Это свободная программа: её можно распространять и изменять на условиях GNU General Public License версии 3 или (по вашему выбору) любой более поздней версии. Программа поставляется без каких-либо гарантий в той мере, в какой это допускает закон. Текст лицензии находится в /usr/share/common-licenses/GPL-3 в системах Debian и по адресу https://www.gnu.org/licenses/gpl-3.0.html.</translation>
    </message>
    <message>
        <source>Libraries this program loads:</source>
        <translation>Библиотеки, которые загружает программа:</translation>
    </message>
    <message>
        <source>GNU LGPL version 3 (also offered under the GNU GPL, versions 2 and 3)</source>
        <translation>GNU LGPL версии 3 (доступна также на условиях GNU GPL версий 2 и 3)</translation>
    </message>
    <message>
        <source>Loaded from the system's shared libraries, which may be replaced by another build of the same version.</source>
        <translation>Загружается из разделяемых библиотек системы, которые можно заменить другой сборкой той же версии.</translation>
    </message>
</context>
<context>
    <name>McpCommandLine</name>
    <message>
        <source>Model Context Protocol server on standard input and output that lets an AI agent inspect and drive a running orvi-motion started with --mcp-debug or --mcp-control.</source>
        <translation>Сервер Model Context Protocol на стандартном вводе и выводе, через который ИИ-агент может просматривать запущенный orvi-motion, открытый с --mcp-debug или --mcp-control, и управлять им.</translation>
    </message>
    <message>
        <source>Print the JSON block that registers this server with an MCP host, then exit.</source>
        <translation>Вывести блок JSON для регистрации этого сервера в MCP-хосте и выйти.</translation>
    </message>
    <message>
        <source>Show the licences of the program and of the libraries it loads, then exit.</source>
        <translation>Показать лицензии программы и загружаемых ею библиотек и выйти.</translation>
    </message>
</context>
<context>
    <name>McpStdioServer</name>
    <message>
        <source>Use these tools to inspect and control the explicitly enabled local ORVI Zazira diagnostic instance. Mutating tools require the current revision from a snapshot.</source>
        <translation>Используйте эти инструменты для просмотра и управления явно включённым локальным диагностическим экземпляром ORVI Zazira. Изменяющим инструментам нужна текущая ревизия из снимка состояния.</translation>
    </message>
    <message>
        <source>Could not open the MCP standard streams.</source>
        <translation>Не удалось открыть стандартные потоки MCP.</translation>
    </message>
    <message>
        <source>Could not read an MCP request from standard input.</source>
        <translation>Не удалось прочитать запрос MCP из стандартного ввода.</translation>
    </message>
    <message>
        <source>The MCP request exceeds the allowed size.</source>
        <translation>Запрос MCP превышает допустимый размер.</translation>
    </message>
    <message>
        <source>Could not write an MCP response to standard output.</source>
        <translation>Не удалось записать ответ MCP в стандартный вывод.</translation>
    </message>
    <message>
        <source>The MCP request exceeds the allowed JSON depth.</source>
        <translation>Запрос MCP превышает допустимую глубину вложенности JSON.</translation>
    </message>
    <message>
        <source>The MCP request contains invalid JSON.</source>
        <translation>Запрос MCP содержит недопустимый JSON.</translation>
    </message>
    <message>
        <source>The MCP message is not a valid JSON-RPC request.</source>
        <translation>Сообщение MCP не является допустимым запросом JSON-RPC.</translation>
    </message>
    <message>
        <source>MCP request parameters must be a JSON object.</source>
        <translation>Параметры запроса MCP должны быть объектом JSON.</translation>
    </message>
    <message>
        <source>The requested MCP protocol version is not supported.</source>
        <translation>Запрошенная версия протокола MCP не поддерживается.</translation>
    </message>
    <message>
        <source>The MCP request does not contain valid 2026-07-28 metadata.</source>
        <translation>Запрос MCP не содержит допустимых метаданных 2026-07-28.</translation>
    </message>
    <message>
        <source>The legacy MCP client must initialize the server before calling methods.</source>
        <translation>Клиент MCP прежней версии должен инициализировать сервер перед вызовом методов.</translation>
    </message>
    <message>
        <source>The requested MCP method is not supported.</source>
        <translation>Запрошенный метод MCP не поддерживается.</translation>
    </message>
    <message>
        <source>The initialize method is not available for the 2026-07-28 protocol.</source>
        <translation>Метод initialize недоступен для протокола 2026-07-28.</translation>
    </message>
    <message>
        <source>The legacy initialize request is missing a supported 2025 protocol version or client metadata.</source>
        <translation>В запросе initialize прежней версии нет поддерживаемой версии протокола 2025 или метаданных клиента.</translation>
    </message>
    <message>
        <source>The tools/call request must contain a tool name and an arguments object.</source>
        <translation>Запрос tools/call должен содержать имя инструмента и объект аргументов.</translation>
    </message>
    <message>
        <source>The requested ORVI Zazira tool is not available.</source>
        <translation>Запрошенный инструмент ORVI Zazira недоступен.</translation>
    </message>
    <message>
        <source>Get the internal diagnostic API version, instance identity, control status, and supported operations.</source>
        <translation>Получить версию внутреннего диагностического API, идентификатор экземпляра, состояние управления и поддерживаемые операции.</translation>
    </message>
    <message>
        <source>Get a consistent snapshot of the current source, selection, processing, playback, preview, export, progress, and error state.</source>
        <translation>Получить согласованный снимок текущего источника, выделения, обработки, воспроизведения, предпросмотра, экспорта, прогресса и ошибок.</translation>
    </message>
    <message>
        <source>Get current or last preview and export performance timings, throughput, motion-core stage breakdown, and thread budget.</source>
        <translation>Получить текущие или последние показатели производительности предпросмотра и экспорта: время, пропускную способность, разбивку по этапам ядра движения и бюджет потоков.</translation>
    </message>
    <message>
        <source>Get bounded diagnostic events after a cursor without frame contents.</source>
        <translation>Получить ограниченный набор диагностических событий после курсора без содержимого кадров.</translation>
    </message>
    <message>
        <source>Open a local video in ORVI Zazira and start its normal asynchronous analysis.</source>
        <translation>Открыть локальное видео в ORVI Zazira и запустить его обычный асинхронный анализ.</translation>
    </message>
    <message>
        <source>Set the physical capture sampling rate used by vibration processing. A newly opened video starts from an assumed 240 fps, and nothing is processed or analysed until a rate is set here (setting 240 confirms it).</source>
        <translation>Задать физическую частоту съёмки, используемую при обработке вибраций. Для только что открытого видео принимается 240 fps, и ничего не обрабатывается и не анализируется, пока частота не задана здесь (задание 240 подтверждает её).</translation>
    </message>
    <message>
        <source>Set the selected half-open frame range for analysis and preview.</source>
        <translation>Задать выбранный полуоткрытый диапазон кадров для анализа и предпросмотра.</translation>
    </message>
    <message>
        <source>Set the rectangular region of interest in normalized upright-frame coordinates.</source>
        <translation>Задать прямоугольную область интереса в нормированных координатах выпрямленного кадра.</translation>
    </message>
    <message>
        <source>Set rotation speed, temporal frequency band, motion amplification factor, worker thread limit, and ROI processing optimization.</source>
        <translation>Задать частоту вращения, временную полосу частот, коэффициент усиления движения, предел рабочих потоков и оптимизацию обработки области интереса.</translation>
    </message>
    <message>
        <source>Play, pause, toggle, seek, or set the speed of synchronized source and processed preview playback.</source>
        <translation>Запустить, приостановить, переключить, перемотать или задать скорость синхронного воспроизведения исходного и обработанного видео.</translation>
    </message>
    <message>
        <source>Start asynchronous generation of a short processed preview for the current selection.</source>
        <translation>Запустить асинхронное создание короткого обработанного предпросмотра для текущего выделения.</translation>
    </message>
    <message>
        <source>Request cancellation of an active preview operation.</source>
        <translation>Запросить отмену выполняемого предпросмотра.</translation>
    </message>
    <message>
        <source>Choose a new local MP4 destination for the processed video and its JSON parameters file.</source>
        <translation>Выбрать новый локальный файл MP4 для обработанного видео и его файла параметров JSON.</translation>
    </message>
    <message>
        <source>Start asynchronous export of the selected fragment with the current processing parameters.</source>
        <translation>Запустить асинхронный экспорт выбранного фрагмента с текущими параметрами обработки.</translation>
    </message>
    <message>
        <source>Request cancellation of an active processed video export.</source>
        <translation>Запросить отмену выполняемого экспорта обработанного видео.</translation>
    </message>
    <message>
        <source>Request cancellation of an active source analysis operation.</source>
        <translation>Запросить отмену выполняемого анализа источника.</translation>
    </message>
    <message>
        <source>Read visible sections, dialogs and viewport settings.</source>
        <translation>Прочитать видимые разделы, диалоги и настройки области просмотра.</translation>
    </message>
    <message>
        <source>Control the interface through named actions: select_section, select_view, open_dialog, close_dialog, accept_dialog, set_dialog_section, scroll_dialog, reset_view, set_view, set_export_format, set_map_colors, set_dialog_parameters, set_region_editing. Pass action and its parameters inside request.</source>
        <translation>Управлять интерфейсом именованными действиями: select_section, select_view, open_dialog, close_dialog, accept_dialog, set_dialog_section, scroll_dialog, reset_view, set_view, set_export_format, set_map_colors, set_dialog_parameters, set_region_editing. Передавайте действие и его параметры внутри request.</translation>
    </message>
    <message>
        <source>Control spectral analysis: start, cancel, select_candidate, set_band, apply_band, select_point, set_phase_reference, set_phase_axis, calculate_phase, cancel_phase, export. Indices are zero-based; export formats match the application.</source>
        <translation>Управлять спектральным анализом: start, cancel, select_candidate, set_band, apply_band, select_point, set_phase_reference, set_phase_axis, calculate_phase, cancel_phase, export. Индексы начинаются с нуля; форматы экспорта совпадают с форматами приложения.</translation>
    </message>
    <message>
        <source>Capture the visible application window, including QML dialogs, as PNG. Optional absolute path must not exist. Returns an image and UI/version metadata. Native file dialogs are excluded.</source>
        <translation>Снять видимое окно приложения, включая диалоги QML, в формате PNG. Необязательный абсолютный путь не должен существовать. Возвращает изображение и метаданные интерфейса и версии. Системные файловые диалоги не включаются.</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>VideoInfo</name>
    <message>
        <source>Frame timing is irregular or could not be verified in the selected fragment. You can continue: calculation treats frames as equally spaced at the entered capture frame rate. Frequencies, band powers and relative phases may be distorted, and amplification may produce artifacts. Assess whether the recording is suitable for your task.</source>
        <translation>Временная сетка кадров в выбранном фрагменте неравномерна или не может быть проверена. Можно продолжить: расчёт считает кадры равноотстоящими с введённой частотой съёмки. Частоты, мощности полос и относительные фазы могут быть искажены, а усиление может дать артефакты. Оцените, подходит ли запись для вашей задачи.</translation>
    </message>
</context>
</TS>

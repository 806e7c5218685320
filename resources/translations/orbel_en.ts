<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Export</name>
    <message numerus="yes">
        <source>exported %1 s of the game to %2 (%n pictures) in %3 s, %4x real time</source>
        <translation>
            <numerusform>exported %1 s of the game to %2 (%n picture) in %3 s, %4x real time</numerusform>
            <numerusform>exported %1 s of the game to %2 (%n pictures) in %3 s, %4x real time</numerusform>
        </translation>
    </message>
</context>
</TS>

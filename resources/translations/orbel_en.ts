<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Export</name>
    <message numerus="yes">
        <source>exported %1 s of the game to %2 (%n pictures, %3) in %4 s, %5x real time</source>
        <translation>
            <numerusform>exported %1 s of the game to %2 (%n picture, %3) in %4 s, %5x real time</numerusform>
            <numerusform>exported %1 s of the game to %2 (%n pictures, %3) in %4 s, %5x real time</numerusform>
        </translation>
    </message>
</context>
</TS>

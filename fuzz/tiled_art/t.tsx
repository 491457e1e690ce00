<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" name="town" tilewidth="16" tileheight="24" tilecount="8" columns="4">
 <tileoffset x="0" y="0"/>
 <image source="a.png" trans="ff00ff" width="64" height="48"/>
 <tile id="1"><properties><property name="passable" type="bool" value="false"/></properties></tile>
 <tile id="3"><animation><frame tileid="3" duration="200"/><frame tileid="5" duration="100"/></animation></tile>
</tileset>

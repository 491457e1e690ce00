<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" tiledversion="1.8.2" name="town" tilewidth="64" tileheight="107" tilecount="11" columns="0">
 <grid orientation="isometric" width="64" height="32"/>
 <tile id="0">
  <image width="64" height="31" source="../demo64/art/grass.png"/>
 </tile>
 <tile id="1">
  <image width="64" height="31" source="../demo64/art/grass2.png"/>
 </tile>
 <tile id="2">
  <image width="64" height="31" source="../demo64/art/flowers.png"/>
 </tile>
 <tile id="3">
  <image width="64" height="31" source="../demo64/art/path.png"/>
 </tile>
 <tile id="4">
  <properties><property name="passable" type="bool" value="false"/></properties>
  <image width="64" height="31" source="../demo64/art/water.png"/>
 </tile>
 <tile id="5">
  <image width="64" height="31" source="../demo64/art/bridge.png"/>
 </tile>
 <tile id="6">
  <image width="64" height="31" source="../demo64/art/stone.png"/>
 </tile>
 <tile id="7">
  <properties><property name="passable" type="bool" value="false"/></properties>
  <image width="64" height="64" source="../demo64/art/wall.png"/>
 </tile>
 <tile id="8">
  <properties><property name="passable" type="bool" value="false"/></properties>
  <image width="64" height="96" source="../demo64/art/tree.png"/>
 </tile>
 <tile id="9">
  <properties><property name="passable" type="bool" value="false"/></properties>
  <image width="64" height="107" source="../demo64/art/pine.png"/>
 </tile>
 <tile id="10">
  <image width="64" height="54" source="../demo64/art/bush.png"/>
 </tile>
</tileset>

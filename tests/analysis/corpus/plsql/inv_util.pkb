Create Or Replace Package Body inv_util As
/*******************************************************************************
   NAME:       INV_UTIL
   PURPOSE:    Inventory utilities: stock level rebuild, bin reconciliation,
               stock transfers and lot expiry.

   REVISIONS:
   Ver        Date        Author           Description
   ---------  ----------  ---------------  ------------------------------------
   1.0        2012-08-14  T. Berg          Created this package body.
   1.1        2013-02-01  T. Berg          Bulk processing in rebuild.
   1.2        2017-09-23  A. Okafor        Lot expiry, bin reconciliation.
*******************************************************************************/

   Cursor c_warehouses Is
      Select warehouse_id, warehouse_code
        From warehouses
       Where active_flag = 'Y'
       Order By warehouse_code;

   e_check_violated Exception;
   Pragma Exception_Init(e_check_violated, -2290);

   ----------------------------------------------------------------------------
   Procedure rebuild_stock_levels (p_warehouse_id In Number) Is
      Cursor c_items Is
         Select item_id, Sum(qty_change) As qty
           From stock_moves
          Where warehouse_id = p_warehouse_id
          Group By item_id;

      Type t_item_tab Is Table Of c_items%Rowtype;
      l_items t_item_tab;
   Begin
      Open c_items;
      Loop
         Fetch c_items Bulk Collect Into l_items Limit 500;
         Exit When l_items.Count = 0;

         Forall i In 1 .. l_items.Count
            Merge Into stock_levels s
            Using (Select l_items(i).item_id As item_id,
                          l_items(i).qty     As qty
                     From dual) src
               On (s.item_id = src.item_id And s.warehouse_id = p_warehouse_id)
             When Matched Then
                Update Set s.qty = src.qty, s.updated_at = Sysdate
             When Not Matched Then
                Insert (item_id, warehouse_id, qty, updated_at)
                Values (src.item_id, p_warehouse_id, src.qty, Sysdate);
      End Loop;
      Commit;
   End rebuild_stock_levels;

   ----------------------------------------------------------------------------
   Procedure reconcile_bins (p_warehouse_id In Number) Is
      Cursor c_bins Is
         Select b.bin_id, b.item_id, b.qty As bin_qty, s.qty As book_qty
           From bins b
           Join stock_levels s
             On s.item_id = b.item_id And s.warehouse_id = b.warehouse_id
          Where b.warehouse_id = p_warehouse_id
          For Update Of b.qty;

      r_bin        c_bins%Rowtype;
      l_diff_count Pls_Integer := 0;

      -- closes the bin cursor and writes the run summary
      Procedure finish (p_ok In Boolean) Is
      Begin
         If c_bins%Isopen Then
            Close c_bins;
         End If;
         Insert Into reconcile_runs (warehouse_id, run_date, differences, ok_flag)
         Values (p_warehouse_id, Sysdate, l_diff_count, Case When p_ok Then 'Y' Else 'N' End);
      End finish;
   Begin
      Open c_bins;
      Loop
         Fetch c_bins Into r_bin;
         Exit When c_bins%Notfound;
         If r_bin.bin_qty <> r_bin.book_qty Then
            l_diff_count := l_diff_count + 1;
            Update bins Set qty = r_bin.book_qty Where Current Of c_bins;
         End If;
      End Loop;
      finish(True);
      Commit;
   Exception
      When Others Then
         Rollback;
         finish(False);
         Commit;
         Raise;
   End reconcile_bins;

   ----------------------------------------------------------------------------
   Procedure process_moves (p_since In Date) Is
      Cursor c_moves Is
         Select move_id, item_id, warehouse_id, qty_change
           From stock_moves
          Where move_date >= p_since
            And processed_flag = 'N'
          Order By move_id;

      Function last_move_qty (p_item_id In Number) Return Number Is
         -- own cursor with the same name, only visible here
         Cursor c_moves Is
            Select qty_change
              From stock_moves
             Where item_id = p_item_id
               And processed_flag = 'Y'
             Order By move_id Desc;
         l_qty Number;
      Begin
         Open c_moves;
         Fetch c_moves Into l_qty;
         Close c_moves;
         Return Nvl(l_qty, 0);
      End last_move_qty;
   Begin
      For r In c_moves Loop
         If Abs(r.qty_change) > 10 * Abs(last_move_qty(r.item_id)) Then
            Insert Into move_alerts (move_id, reason)
            Values (r.move_id, 'Quantity jump against last processed move');
         End If;
         Update stock_moves Set processed_flag = 'Y' Where move_id = r.move_id;
      End Loop;
   End process_moves;

   ----------------------------------------------------------------------------
   Procedure transfer_stock (
      p_item_id  In  Number,
      p_from_wh  In  Number,
      p_to_wh    In  Number,
      p_qty      In  Number,
      p_move_id  Out Number
   ) Is
      l_left Number;
   Begin
      Update stock_levels
         Set qty = qty - p_qty
       Where item_id = p_item_id
         And warehouse_id = p_from_wh
      Returning qty Into l_left;

      If Sql%Rowcount = 0 Then
         Raise_Application_Error(-20301, 'Item ' || p_item_id || ' not stocked in ' || p_from_wh);
      End If;

      Update stock_levels
         Set qty = qty + p_qty
       Where item_id = p_item_id
         And warehouse_id = p_to_wh;

      Insert Into stock_moves (move_id, item_id, warehouse_id, qty_change, move_date, processed_flag)
      Values (stock_moves_seq.Nextval, p_item_id, p_to_wh, p_qty, Sysdate, 'N')
      Returning move_id Into p_move_id;
   Exception
      When e_check_violated Then
         -- CHECK (qty >= 0) on stock_levels
         Raise_Application_Error(-20302, 'Not enough stock to transfer ' || p_qty);
   End transfer_stock;

   ----------------------------------------------------------------------------
   Procedure expire_lots (p_item_id In Number, p_before In Date) Is
      Cursor c_lots (p_item In Number, p_cutoff In Date) Is
         Select lot_id, qty, warehouse_id
           From lots
          Where item_id = p_item
            And expiry_date < p_cutoff
            And qty > 0;
      r_lot c_lots%Rowtype;
   Begin
      Open c_lots (p_item   => p_item_id,
                   p_cutoff => p_before);
      Loop
         Fetch c_lots Into r_lot;
         Exit When c_lots%Notfound;

         Update lots Set qty = 0, status = 'EXPIRED' Where lot_id = r_lot.lot_id;
         Insert Into stock_moves (move_id, item_id, warehouse_id, qty_change, move_date, processed_flag)
         Values (stock_moves_seq.Nextval, p_item_id, r_lot.warehouse_id, -r_lot.qty, Sysdate, 'N');
      End Loop;
      Close C_Lots;
   End expire_lots;

   ----------------------------------------------------------------------------
   Procedure sync_all Is
      l_errors Pls_Integer := 0;
   Begin
      <<warehouses>>
      For w In c_warehouses Loop
         rebuild_stock_levels(w.warehouse_id);

         <<items>>
         For i In (Select item_id
                     From stock_levels
                    Where warehouse_id = w.warehouse_id
                      And qty < 0)
         Loop
            l_errors := l_errors + 1;
            Insert Into move_alerts (move_id, reason)
            Values (Null, 'Negative stock for item ' || i.item_id || ' in ' || w.warehouse_code);
            Exit warehouses When l_errors > 100;
            Continue items When i.item_id Is Null;
         End Loop items;

         reconcile_bins(w.warehouse_id);
      End Loop warehouses;
      Commit;
   End sync_all;

End inv_util;
/
